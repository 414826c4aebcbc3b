// The viewer control stand-in: an ActiveX control whose one property (1) is
// the path of the data file it shows, kept with the document that holds it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "automation/dispatch_object.h"
#include "automation/persist_state.h"
#include "automation/variant.h"
#include "automation/view_object.h"

namespace viewer {

class ViewerControl final : public automation::DispatchObject,
                            public automation::IPersistState,
                            public automation::IViewObject {
  public:
    void Invoke(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;
    automation::IPersistState* QueryPersistState() noexcept override { return this; }
    automation::IViewObject* QueryViewObject() noexcept override { return this; }

    automation::Clsid GetClassId() const override;
    std::vector<std::uint8_t> SaveState() const override;
    // The data file, once the control has one.
    std::vector<std::u16string> SourceFiles() const override;

    // "Trelvo viewer" and the data file's name, when it has one.
    std::vector<std::u16string> PreviewLines() const override;

  private:
    std::u16string data_path_;
};

}  // namespace viewer
