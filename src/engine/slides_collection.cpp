#include "engine/slides_collection.h"

#include <cstddef>
#include <limits>
#include <string>

#include "automation/automation_error.h"
#include "automation/member_check.h"
#include "engine/slide_object.h"

namespace engine {
namespace {

using automation::AutomationError;
using automation::CheckArguments;
using automation::Variant;
using automation::VT_I4;

constexpr automation::DISPID kCount = 11;
constexpr automation::DISPID kAdd = 2004;
constexpr automation::DISPID kItem = 0;

// The one layout this application makes: a title and nothing else.
constexpr std::int32_t kTitleOnlyLayout = 11;

}  // namespace

SlidesCollection::SlidesCollection(StatePtr state, std::shared_ptr<PresentationModel> presentation)
    : EngineObject(std::move(state), "Slides"), presentation_(std::move(presentation)) {}

void SlidesCollection::Answer(automation::DISPID member, std::uint16_t kind,
                              std::span<const Variant> args, Variant& result) {
    if (member == kCount && kind == automation::DISPATCH_PROPERTYGET) {
        CheckArguments(args, {}, "Slides.Count");
        const std::size_t count = presentation_->slides.size();
        // Add refuses to grow past this, so the count always fits.
        result = Variant::I4(static_cast<std::int32_t>(count));
        return;
    }
    if (member == kAdd && kind == automation::DISPATCH_METHOD) {
        CheckArguments(args, {VT_I4, VT_I4}, "Slides.Add");
        Add(args[0].AsI4(), args[1].AsI4(), result);
        return;
    }
    if (member == kItem && kind == automation::DISPATCH_METHOD) {
        CheckArguments(args, {VT_I4}, "Slides.Item");
        Item(args[0].AsI4(), result);
        return;
    }
    NotFound(member, kind);
}

void SlidesCollection::Add(std::int32_t index, std::int32_t layout, Variant& result) {
    auto& slides = presentation_->slides;
    if (slides.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw AutomationError(automation::E_FAIL, "Slides.Add: the presentation is full");
    }
    const auto count = static_cast<std::int64_t>(slides.size());
    if (index < 1 || index > count + 1) {
        throw AutomationError(automation::E_INVALIDARG,
                              "Slides.Add: index " + std::to_string(index) + " is outside 1.." +
                                  std::to_string(count + 1));
    }
    if (layout != kTitleOnlyLayout) {
        throw AutomationError(automation::E_INVALIDARG,
                              "Slides.Add: layout " + std::to_string(layout) +
                                  " is not supported; only the title-only layout (11) is");
    }
    auto slide = std::make_shared<SlideModel>();
    slide->has_title = true;
    // A new slide looks like the one before it: same master, so the title
    // sits where that master puts titles. At the front it follows the first
    // master (0).
    if (index > 1) {
        slide->master_id = slides[static_cast<std::size_t>(index - 2)]->master_id;
    }
    slide->title_rect = presentation_->source
                            ? presentation_->source->MasterTitleRect(slide->master_id)
                            : pptfile::kDefaultTitleRect;
    slides.insert(slides.begin() + (index - 1), slide);
    result = Variant::Dispatch(automation::MakeRef<SlideObject>(shared_state(), std::move(slide)));
}

void SlidesCollection::Item(std::int32_t index, Variant& result) {
    const auto& slides = presentation_->slides;
    if (index < 1 || static_cast<std::size_t>(index) > slides.size()) {
        throw AutomationError(automation::DISP_E_BADINDEX, "Slides.Item: there is no slide " +
                                                               std::to_string(index) + " of " +
                                                               std::to_string(slides.size()));
    }
    result = Variant::Dispatch(automation::MakeRef<SlideObject>(
        shared_state(), slides[static_cast<std::size_t>(index - 1)]));
}

}  // namespace engine
