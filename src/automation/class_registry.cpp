#include "automation/class_registry.h"

#include <algorithm>

#include "automation/automation_error.h"
#include "automation/text_codec.h"

namespace automation {
namespace {

// Whether a registry entry is the class registered as `prog_id`.
auto NamedAs(std::u16string_view prog_id) {
    return [prog_id](const auto& entry) {
        return std::ranges::equal(entry.second.prog_id, prog_id, [](char16_t x, char16_t y) {
            return FoldAscii(x) == FoldAscii(y);
        });
    };
}

}  // namespace

ClassRegistry& ClassRegistry::Instance() {
    static ClassRegistry registry;
    return registry;
}

void ClassRegistry::Register(ClassInfo info) {
    Unregister(info.prog_id);
    const Clsid clsid = info.clsid;
    classes_.insert_or_assign(clsid, std::move(info));
}

void ClassRegistry::Unregister(std::u16string_view prog_id) {
    std::erase_if(classes_, NamedAs(prog_id));
}

const ClassInfo* ClassRegistry::FindByProgId(std::u16string_view prog_id) const {
    const auto it = std::ranges::find_if(classes_, NamedAs(prog_id));
    return it == classes_.end() ? nullptr : &it->second;
}

std::optional<Clsid> ClassRegistry::ClsidFromProgId(std::u16string_view prog_id) const {
    const ClassInfo* info = FindByProgId(prog_id);
    return info != nullptr ? std::optional(info->clsid) : std::nullopt;
}

DispatchPtr ClassRegistry::CreateInstance(const Clsid& clsid) const {
    const auto it = classes_.find(clsid);
    if (it == classes_.end() || !it->second.factory) {
        throw AutomationError(REGDB_E_CLASSNOTREG,
                              "class " + clsid.ToString() + " is not registered");
    }
    return it->second.factory();
}

}  // namespace automation
