#include "engine/presentation_file.h"

#include <exception>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "automation/automation_error.h"
#include "automation/persist_state.h"
#include "automation/text_codec.h"
#include "automation/view_object.h"
#include "file_access/atomic_save.h"
#include "file_access/input_file.h"
#include "file_access/io_error.h"
#include "pptfile/errors.h"

namespace engine {
namespace {

using automation::AutomationError;

// File names as the client passes them (BSTR text) turned into the system's
// paths: the bytes the text was decoded from (undecodable bytes come back as
// they were).
std::filesystem::path PathFromBstr(const std::u16string& file_name) {
    return std::filesystem::path(automation::EncodeOsString(file_name));
}

// Call from within a catch block: rethrows the file library's failure being
// handled as an AutomationError. Failures of the file itself (I/O) get the
// read or write fault code, files the library refuses get E_FAIL, and
// anything else names `file_name`. AutomationError and bad_alloc pass unchanged.
[[noreturn]] void RethrowAsAutomationError(bool reading, const std::u16string& file_name) {
    try {
        throw;
    } catch (const file_access::IoError& e) {
        throw AutomationError(reading ? automation::STG_E_READFAULT : automation::STG_E_WRITEFAULT,
                              e.what());
    } catch (const pptfile::FormatError& e) {
        throw AutomationError(automation::E_FAIL, e.what());
    } catch (const AutomationError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw AutomationError(reading ? automation::E_FAIL : automation::STG_E_WRITEFAULT,
                              (reading ? "cannot open " : "cannot write ") +
                                  automation::ToUtf8(file_name) + ": " + e.what());
    }
}

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

// What the presentation is made from, the template and the files its
// controls show, is only ever read: writing over one would destroy it, and a
// failed write would lose it altogether. Files are compared by identity, after
// links, so that no other spelling, link or hard link leads there.
void RefuseSourcesAsTarget(const PresentationModel& presentation,
                           const std::filesystem::path& target, const std::u16string& file_name) {
    const auto refuse_if_target = [&](const std::filesystem::path& source, const char* what) {
        std::error_code error;
        if (std::filesystem::equivalent(source, target, error) && !error) {
            throw AutomationError(automation::E_INVALIDARG,
                                  "Presentation.SaveAs: " + automation::ToUtf8(file_name) + " is " +
                                      what + "; it is only read, never written");
        }
    };
    if (presentation.template_path) {
        refuse_if_target(*presentation.template_path,
                         "the template the presentation was made from");
    }
    for (const auto& slide : presentation.slides) {
        for (const auto& control : slide->controls) {
            const automation::IPersistState* persist =
                control->object ? control->object->QueryPersistState() : nullptr;
            for (const std::u16string& source :
                 persist != nullptr ? persist->SourceFiles() : std::vector<std::u16string>{}) {
                refuse_if_target(PathFromBstr(source), "the data file of a control on a slide");
            }
        }
    }
}

}  // namespace

std::shared_ptr<PresentationModel> OpenPresentation(const std::u16string& file_name) {
    if (file_name.empty()) {
        throw AutomationError(automation::E_INVALIDARG,
                              "Presentations.Open: the file name is empty");
    }
    const std::filesystem::path path = PathFromBstr(file_name);
    auto opened = std::make_shared<PresentationModel>();
    try {
        // The template's slides go back into the file as they are: their
        // controls need not be read.
        const file_access::InputFile file(path);
        const pptfile::ByteSource source{file.Size(),
                                         [&file](std::uint64_t at, std::span<std::uint8_t> into) {
                                             return file.ReadAt(at, into);
                                         }};
        opened->source = std::make_unique<pptfile::SourcePresentation>(
            pptfile::SourcePresentation::Read(source, pptfile::SlideDetail::kWithoutControls));
    } catch (...) {
        RethrowAsAutomationError(/*reading=*/true, file_name);
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
    return opened;
}

void SavePresentationAs(const PresentationModel& presentation, const std::u16string& file_name) {
    if (file_name.empty()) {
        throw AutomationError(automation::E_INVALIDARG,
                              "Presentation.SaveAs: the file name is empty");
    }
    const std::filesystem::path target = PathFromBstr(file_name);
    RefuseSourcesAsTarget(presentation, target, file_name);

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
        file_access::WriteFileAtomically(
            target, [&job](const file_access::Sink& put) { pptfile::WritePresentation(job, put); });
    } catch (...) {
        RethrowAsAutomationError(/*reading=*/false, file_name);
    }
}

}  // namespace engine
