#include "engine/text_frame_object.h"

#include "automation/member_check.h"
#include "engine/text_range_object.h"

namespace engine {
namespace {

constexpr automation::DISPID kTextRange = 2004;

}  // namespace

TextFrameObject::TextFrameObject(StatePtr state, std::shared_ptr<SlideModel> slide)
    : EngineObject(std::move(state), "TextFrame"), slide_(std::move(slide)) {}

void TextFrameObject::Answer(automation::DISPID member, std::uint16_t kind,
                             std::span<const automation::Variant> args,
                             automation::Variant& result) {
    if (member == kTextRange && kind == automation::DISPATCH_PROPERTYGET) {
        automation::CheckArguments(args, {}, "TextFrame.TextRange");
        result = automation::Variant::Dispatch(
            automation::MakeRef<TextRangeObject>(shared_state(), slide_));
        return;
    }
    NotFound(member, kind);
}

}  // namespace engine
