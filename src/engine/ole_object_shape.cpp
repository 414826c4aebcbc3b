#include "engine/ole_object_shape.h"

#include "automation/member_check.h"
#include "engine/ole_format_object.h"

namespace engine {
namespace {

constexpr automation::DISPID kOleFormat = 2003;

}  // namespace

OleObjectShape::OleObjectShape(StatePtr state, std::shared_ptr<ControlModel> control)
    : EngineObject(std::move(state), "Shape"), control_(std::move(control)) {}

void OleObjectShape::Answer(automation::DISPID member, std::uint16_t kind,
                            std::span<const automation::Variant> args,
                            automation::Variant& result) {
    if (member == kOleFormat && kind == automation::DISPATCH_PROPERTYGET) {
        automation::CheckArguments(args, {}, "Shape.OLEFormat");
        result = automation::Variant::Dispatch(
            automation::MakeRef<OleFormatObject>(shared_state(), control_));
        return;
    }
    NotFound(member, kind);
}

}  // namespace engine
