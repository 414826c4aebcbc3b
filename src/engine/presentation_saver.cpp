#include "engine/presentation_saver.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "automation/automation_error.h"
#include "automation/persist_state.h"
#include "automation/text_codec.h"
#include "automation/view_object.h"
#include "engine/file_errors.h"
#include "engine/os_path.h"

namespace engine {
namespace {

using automation::AutomationError;

pptfile::ControlObject SnapshotControl(const ControlModel& control) {
    automation::IPersistState* persist =
        control.object ? control.object->QueryPersistState() : nullptr;
    if (persist == nullptr) {
        throw AutomationError(automation::E_FAIL, "Presentation.SaveAs: the control " +
                                                      automation::ToUtf8(control.prog_id) +
                                                      " cannot save its state");
    }
    pptfile::ControlObject saved;
    saved.prog_id = control.prog_id;
    saved.clsid = persist->GetClassId().bytes;
    saved.state = persist->SaveState();
    saved.anchor = control.anchor;
    // The control's own picture of itself, or its ProgID in a frame.
    automation::IViewObject* view = control.object->QueryViewObject();
    saved.preview_lines =
        view != nullptr ? view->PreviewLines() : std::vector<std::u16string>{control.prog_id};
    return saved;
}

pptfile::SlideContent SnapshotSlide(const SlideModel& slide) {
    pptfile::SlideContent content;
    content.title = slide.title;
    content.title_rect = slide.title_rect;
    content.master_id = slide.master_id;
    content.controls.reserve(slide.controls.size());
    for (const auto& control : slide.controls) {
        content.controls.push_back(SnapshotControl(*control));
    }
    return content;
}

// The template is only ever read: writing over it would destroy the file the
// presentation was made from, and a failed write would lose it altogether.
void RefuseTemplateAsTarget(const PresentationModel& presentation,
                            const std::filesystem::path& target, const std::u16string& file_name) {
    if (!presentation.template_path) {
        return;
    }
    std::error_code error;
    if (std::filesystem::equivalent(*presentation.template_path, target, error) && !error) {
        throw AutomationError(automation::E_INVALIDARG,
                              "Presentation.SaveAs: " + automation::ToUtf8(file_name) +
                                  " is the template the presentation was made from; it is "
                                  "only read, never written");
    }
}

}  // namespace

void SavePresentationAs(const PresentationModel& presentation, const std::u16string& file_name) {
    if (file_name.empty()) {
        throw AutomationError(automation::E_INVALIDARG,
                              "Presentation.SaveAs: the file name is empty");
    }
    const std::filesystem::path target = PathFromBstr(file_name);
    RefuseTemplateAsTarget(presentation, target, file_name);

    // Added slides are referred to by address from the job: reserve first so
    // that no address moves while the job is built.
    std::vector<pptfile::SlideContent> added;
    added.reserve(presentation.slides.size());
    pptfile::SaveJob job;
    job.source = presentation.source.get();
    job.slides.reserve(presentation.slides.size());
    for (const auto& slide : presentation.slides) {
        if (slide->template_index) {
            job.slides.emplace_back(*slide->template_index);
        } else {
            added.push_back(SnapshotSlide(*slide));
            job.slides.emplace_back(&added.back());
        }
    }

    try {
        pptfile::SavePresentation(job, target);
    } catch (...) {
        RethrowAsAutomationError(FileAccess::kWrite, file_name);
    }
}

}  // namespace engine
