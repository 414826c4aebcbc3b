#include "engine/text_range_object.h"

#include "automation/member_check.h"

namespace engine {
namespace {

constexpr automation::DISPID kText = 0;

}  // namespace

TextRangeObject::TextRangeObject(StatePtr state, std::shared_ptr<SlideModel> slide)
    : EngineObject(std::move(state), "TextRange"), slide_(std::move(slide)) {}

void TextRangeObject::Answer(automation::DISPID member, std::uint16_t kind,
                             std::span<const automation::Variant> args,
                             automation::Variant& result) {
    if (member == kText && kind == automation::DISPATCH_PROPERTYGET) {
        automation::CheckArguments(args, {}, "TextRange.Text");
        result = automation::Variant::Bstr(slide_->title);
        return;
    }
    if (member == kText && kind == automation::DISPATCH_PROPERTYPUT) {
        automation::CheckArguments(args, {automation::VT_BSTR}, "TextRange.Text");
        slide_->title = args[0].AsBstr();
        return;
    }
    NotFound(member, kind);
}

}  // namespace engine
