// The class registry: ProgID -> CLSID -> factory. A process registers the
// automation classes it can serve; clients create objects by ProgID.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "automation/clsid.h"
#include "automation/dispatch.h"

namespace automation {

struct ClassInfo {
    std::u16string prog_id;
    Clsid clsid;
    // A new object with one reference for the caller; raises AutomationError.
    std::function<DispatchPtr()> factory;
    // An ActiveX control, which a document can embed.
    bool is_control = false;
    // Running already outside this process: an application the user has open.
    bool running = false;
};

class ClassRegistry {
  public:
    // The process's registry.
    static ClassRegistry& Instance();

    // Adds a class, replacing any earlier one with the same ProgID or CLSID.
    void Register(ClassInfo info);
    void Unregister(std::u16string_view prog_id);

    // ProgIDs are compared without regard to ASCII case, as the registry does.
    std::optional<Clsid> ClsidFromProgId(std::u16string_view prog_id) const;
    const ClassInfo* FindByProgId(std::u16string_view prog_id) const;

    // Raises AutomationError(REGDB_E_CLASSNOTREG) for an unknown class.
    DispatchPtr CreateInstance(const Clsid& clsid) const;

  private:
    std::map<Clsid, ClassInfo> classes_;
};

}  // namespace automation
