#include "engine/presentation_file.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
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

// A template as the file layer reads it: from the file, which stays open.
class TemplateFile final : public cfb::ByteSource {
  public:
    explicit TemplateFile(const std::filesystem::path& path) : file_(path) {}
    std::uint64_t Size() const override { return file_.Size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const override {
        return file_.ReadAt(offset, into);
    }
    const file_access::InputFile& file() const noexcept { return file_; }

  private:
    file_access::InputFile file_;
};

// The saved file as the file layer writes it: bytes that come from a template
// unchanged are copied from file to file.
class SaveSink final : public cfb::ByteSink {
  public:
    explicit SaveSink(file_access::OutputFile& out) noexcept : out_(out) {}
    void Put(std::span<const std::uint8_t> bytes) override { out_.Write(bytes); }
    void Copy(const cfb::ByteSource& source, std::uint64_t offset, std::uint64_t length) override {
        if (const auto* from = dynamic_cast<const TemplateFile*>(&source)) {
            out_.CopyFrom(from->file(), offset, length);
        } else {
            ByteSink::Copy(source, offset, length);
        }
    }

  private:
    file_access::OutputFile& out_;
};

// The time a save records: SOURCE_DATE_EPOCH's seconds since 1970, so that the
// same inputs give the same bytes (reproducible builds do so), else now. The
// clock reaches 2262 where it counts nanoseconds: a later time is not taken.
std::chrono::system_clock::time_point SaveTime() {
    using std::chrono::seconds, std::chrono::system_clock;
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch != nullptr && *epoch != '\0') {
        char* end = nullptr;
        errno = 0;
        const long long s = std::strtoll(epoch, &end, 10);
        if (*end == '\0' && errno == 0 && s >= 0 &&
            s <= std::chrono::duration_cast<seconds>(system_clock::duration::max()).count()) {
            return system_clock::time_point(seconds(s));
        }
    }
    return system_clock::now();
}

// The model of a presentation read from `source`.
std::shared_ptr<PresentationModel> Model(pptfile::SourcePresentation source) {
    auto model = std::make_shared<PresentationModel>();
    model->source = std::make_unique<pptfile::SourcePresentation>(std::move(source));
    model->slide_width = model->source->SlideWidth();
    const auto& slides = model->source->Slides();
    model->slides.reserve(slides.size());
    for (std::size_t i = 0; i < slides.size(); ++i) {
        auto slide = std::make_shared<SlideModel>();
        slide->template_index = i;
        slide->has_title = !slides[i].title.empty();
        slide->title = slides[i].title;
        slide->master_id = slides[i].master_id;
        model->slides.push_back(std::move(slide));
    }
    return model;
}

// A file name as the client passes it: the bytes it was decoded from.
std::filesystem::path PathFromBstr(const std::u16string& file_name) {
    return std::filesystem::path(automation::EncodeOsString(file_name));
}

// From a catch block: rethrows the failure as an AutomationError, with the read
// or write fault code for I/O, E_FAIL for a file the library refuses, naming
// `file_name` for the rest. AutomationError and bad_alloc pass unchanged.
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

// Shapes.AddOLEObject places only controls that persist their state.
const automation::IPersistState& Persisted(const ControlModel& control) {
    return *control.object->QueryPersistState();
}

pptfile::ControlObject SnapshotControl(const ControlModel& control) {
    const automation::IPersistState& persist = Persisted(control);
    pptfile::ControlObject saved;
    saved.prog_id = control.prog_id;
    saved.clsid = persist.GetClassId().bytes;
    saved.state = persist.SaveState();
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

// The template and the files the controls show are only read: a save over one
// would destroy it, a failed one lose it. Files are compared by identity, after
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
            for (const std::u16string& source : Persisted(*control).SourceFiles()) {
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
    std::shared_ptr<PresentationModel> opened;
    try {
        opened = Model(pptfile::SourcePresentation::Read(std::make_unique<TemplateFile>(path)));
    } catch (...) {
        RethrowAsAutomationError(/*reading=*/true, file_name);
    }
    opened->template_path = path;
    return opened;
}

std::shared_ptr<PresentationModel> NewPresentation() {
    return Model(pptfile::SourcePresentation::Read(
        std::make_unique<cfb::MemorySource>(pptfile::BlankPresentation())));
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
    job.saved_at = SaveTime();
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
        file_access::WriteFileAtomically(target, [&job](file_access::OutputFile& out) {
            SaveSink sink(out);
            pptfile::WritePresentation(job, sink);
        });
    } catch (...) {
        RethrowAsAutomationError(/*reading=*/false, file_name);
    }
}

}  // namespace engine
