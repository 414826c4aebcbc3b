#include "engine/ole_format_object.h"

#include "automation/member_check.h"

namespace engine {
namespace {

constexpr automation::DISPID kObject = 2004;

}  // namespace

OleFormatObject::OleFormatObject(StatePtr state, std::shared_ptr<ControlModel> control)
    : EngineObject(std::move(state), "OLEFormat"), control_(std::move(control)) {}

void OleFormatObject::Answer(automation::DISPID member, std::uint16_t kind,
                             std::span<const automation::Variant> args,
                             automation::Variant& result) {
    if (member == kObject && kind == automation::DISPATCH_PROPERTYGET) {
        automation::CheckArguments(args, {}, "OLEFormat.Object");
        // A reference of the caller's own, each time.
        result = automation::Variant::Dispatch(control_->object);
        return;
    }
    NotFound(member, kind);
}

}  // namespace engine
