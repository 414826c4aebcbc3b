#include "engine/slide_object.h"

#include "automation/member_check.h"
#include "engine/shapes_collection.h"

namespace engine {
namespace {

constexpr automation::DISPID kShapes = 2003;

}  // namespace

SlideObject::SlideObject(StatePtr state, std::shared_ptr<SlideModel> slide)
    : EngineObject(std::move(state), "Slide"), slide_(std::move(slide)) {}

void SlideObject::Answer(automation::DISPID member, std::uint16_t kind,
                         std::span<const automation::Variant> args, automation::Variant& result) {
    if (member == kShapes && kind == automation::DISPATCH_PROPERTYGET) {
        automation::CheckArguments(args, {}, "Slide.Shapes");
        result = automation::Variant::Dispatch(
            automation::MakeRef<ShapesCollection>(shared_state(), slide_));
        return;
    }
    NotFound(member, kind);
}

}  // namespace engine
