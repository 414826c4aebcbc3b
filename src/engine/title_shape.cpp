#include "engine/title_shape.h"

#include "automation/member_check.h"
#include "engine/text_frame_object.h"

namespace engine {
namespace {

constexpr automation::DISPID kTextFrame = 121;
constexpr automation::DISPID kTop = 123;
constexpr automation::DISPID kHeight = 109;

}  // namespace

TitleShape::TitleShape(StatePtr state, std::shared_ptr<SlideModel> slide)
    : EngineObject(std::move(state), "Shape"), slide_(std::move(slide)) {}

void TitleShape::Answer(automation::DISPID member, std::uint16_t kind,
                        std::span<const automation::Variant> args, automation::Variant& result) {
    if (kind == automation::DISPATCH_PROPERTYGET) {
        switch (member) {
            case kTextFrame:
                automation::CheckArguments(args, {}, "Shape.TextFrame");
                result = automation::Variant::Dispatch(
                    automation::MakeRef<TextFrameObject>(shared_state(), slide_));
                return;
            case kTop:
                automation::CheckArguments(args, {}, "Shape.Top");
                result = automation::Variant::R4(slide_->title_rect.top);
                return;
            case kHeight:
                automation::CheckArguments(args, {}, "Shape.Height");
                result = automation::Variant::R4(slide_->title_rect.height);
                return;
            default:
                break;
        }
    }
    NotFound(member, kind);
}

}  // namespace engine
