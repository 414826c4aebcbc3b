#include "engine/presentations_collection.h"

#include <filesystem>
#include <memory>
#include <string>

#include "automation/automation_error.h"
#include "automation/member_check.h"
#include "automation/text_codec.h"
#include "engine/file_errors.h"
#include "engine/os_path.h"
#include "engine/presentation_object.h"

namespace engine {
namespace {

using automation::AutomationError;
using automation::CheckArguments;
using automation::DISPATCH_METHOD;
using automation::Variant;
using automation::VT_BSTR;
using automation::VT_I4;

constexpr automation::DISPID kAdd = 2003;
constexpr automation::DISPID kOpen = 2005;

}  // namespace

PresentationsCollection::PresentationsCollection(StatePtr state)
    : EngineObject(std::move(state), "Presentations") {}

void PresentationsCollection::Answer(automation::DISPID member, std::uint16_t kind,
                                     std::span<const Variant> args, Variant& result) {
    if (member == kAdd && kind == DISPATCH_METHOD) {
        // WithWindow: there is no window either way.
        CheckArguments(args, {VT_I4}, "Presentations.Add");
        auto blank = std::make_shared<PresentationModel>();
        state().presentations.push_back(blank);
        result = Variant::Dispatch(automation::MakeRef<PresentationObject>(shared_state(), blank));
        return;
    }
    if (member == kOpen && kind == DISPATCH_METHOD) {
        // ReadOnly, Untitled and WithWindow change nothing here: the template is
        // only ever read, and the presentation made from it is always untitled.
        CheckArguments(args, {VT_BSTR, VT_I4, VT_I4, VT_I4}, "Presentations.Open");
        Open(args[0].AsBstr(), result);
        return;
    }
    NotFound(member, kind);
}

void PresentationsCollection::Open(const std::u16string& file_name, Variant& result) {
    if (file_name.empty()) {
        throw AutomationError(automation::E_INVALIDARG,
                              "Presentations.Open: the file name is empty");
    }
    const std::filesystem::path path = PathFromBstr(file_name);
    auto opened = std::make_shared<PresentationModel>();
    try {
        // The template's slides go back into the file as they are: their
        // controls need not be read.
        opened->source = std::make_unique<pptfile::SourcePresentation>(
            pptfile::SourcePresentation::Open(path, pptfile::SlideDetail::kWithoutControls));
    } catch (...) {
        RethrowAsAutomationError(FileAccess::kRead, file_name);
    }
    opened->template_path = path;
    const pptfile::SourcePresentation& source = *opened->source;
    opened->slide_width = source.SlideWidth();
    const auto& slides = source.Slides();
    opened->slides.reserve(slides.size());
    for (std::size_t i = 0; i < slides.size(); ++i) {
        auto slide = std::make_shared<SlideModel>();
        slide->template_index = i;
        slide->has_title = !slides[i].title.empty();
        slide->title = slides[i].title;
        slide->master_id = slides[i].master_id;
        opened->slides.push_back(std::move(slide));
    }
    state().presentations.push_back(opened);
    result = Variant::Dispatch(automation::MakeRef<PresentationObject>(shared_state(), opened));
}

}  // namespace engine
