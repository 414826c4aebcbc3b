#include "engine/slide_master_object.h"

#include "automation/member_check.h"

namespace engine {
namespace {

constexpr automation::DISPID kWidth = 2010;

}  // namespace

SlideMasterObject::SlideMasterObject(StatePtr state,
                                     std::shared_ptr<PresentationModel> presentation)
    : EngineObject(std::move(state), "SlideMaster"), presentation_(std::move(presentation)) {}

void SlideMasterObject::Answer(automation::DISPID member, std::uint16_t kind,
                               std::span<const automation::Variant> args,
                               automation::Variant& result) {
    if (member == kWidth && kind == automation::DISPATCH_PROPERTYGET) {
        automation::CheckArguments(args, {}, "SlideMaster.Width");
        result = automation::Variant::R4(presentation_->slide_width);
        return;
    }
    NotFound(member, kind);
}

}  // namespace engine
