#include "engine/presentation_object.h"

#include <string>

#include "automation/automation_error.h"
#include "automation/member_check.h"
#include "engine/presentation_saver.h"
#include "engine/slide_master_object.h"
#include "engine/slides_collection.h"

namespace engine {
namespace {

using automation::AutomationError;
using automation::CheckArguments;
using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::Variant;

constexpr automation::DISPID kSlides = 2011;
constexpr automation::DISPID kSlideMaster = 2003;
constexpr automation::DISPID kSaveAs = 2036;

// The application's own presentation format, PowerPoint 97-2003.
constexpr std::int32_t kPresentationFormat = 1;

}  // namespace

PresentationObject::PresentationObject(StatePtr state,
                                       std::shared_ptr<PresentationModel> presentation)
    : EngineObject(std::move(state), "Presentation"), presentation_(std::move(presentation)) {}

void PresentationObject::Answer(automation::DISPID member, std::uint16_t kind,
                                std::span<const Variant> args, Variant& result) {
    if (member == kSlides && kind == DISPATCH_PROPERTYGET) {
        CheckArguments(args, {}, "Presentation.Slides");
        result =
            Variant::Dispatch(automation::MakeRef<SlidesCollection>(shared_state(), presentation_));
        return;
    }
    if (member == kSlideMaster && kind == DISPATCH_PROPERTYGET) {
        CheckArguments(args, {}, "Presentation.SlideMaster");
        result = Variant::Dispatch(
            automation::MakeRef<SlideMasterObject>(shared_state(), presentation_));
        return;
    }
    if (member == kSaveAs && kind == DISPATCH_METHOD) {
        CheckArguments(args, {automation::VT_BSTR, automation::VT_I4, automation::VT_I4},
                       "Presentation.SaveAs");
        const std::int32_t format = args[1].AsI4();
        if (format != kPresentationFormat) {
            throw AutomationError(automation::E_INVALIDARG,
                                  "Presentation.SaveAs: file format " + std::to_string(format) +
                                      " is not supported; only format 1 (PowerPoint 97-2003 "
                                      "presentation) can be written");
        }
        // Font embedding asks for nothing here: the presentation uses only the
        // standard fonts, which every reader has.
        SavePresentationAs(*presentation_, args[0].AsBstr());
        return;
    }
    NotFound(member, kind);
}

}  // namespace engine
