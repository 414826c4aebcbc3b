// libFuzzer target: any bytes handed to the presentation reader (compound
// file layer included) either open or raise FormatError, and a presentation
// that opens is saved with a new slide and its control, or the save raises
// FormatError. Anything else, a crash, a leak, a sanitizer report or another
// exception, is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "pptfile/errors.h"
#include "pptfile/presentation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto presentation = pptfile::SourcePresentation::Read(
            std::make_unique<cfb::MemorySource>(std::span(data, size)));
        pptfile::SaveJob job{&presentation, {}};
        pptfile::SlideContent added{u"data", {}, {}, 0};
        for (std::size_t i = 0; i < presentation.Slides().size(); ++i) {
            job.slides.emplace_back(i);
            added.master_id = presentation.Slides()[i].master_id;
        }
        added.title_rect = presentation.MasterTitleRect(added.master_id);
        added.controls.push_back(
            {u"TRELVO.TrelvoCtrl.1", {}, {1, 2, 3}, {60, 113, 600, 400}, {u"x"}});
        job.slides.emplace_back(&added);
        struct : cfb::ByteSink {
            void Put(std::span<const std::uint8_t>) override {}
        } discard;
        pptfile::WritePresentation(job, discard);
    } catch (const pptfile::FormatError&) {
    }
    return 0;
}
