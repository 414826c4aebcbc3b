// Writes a presentation of about the requested size to serve as a large design
// template: slides with a title and a control whose state is incompressible,
// and as many extra one-byte streams as asked for beside the presentation's.
//   make_template OUTPUT.pot SIZE_IN_KIB [STREAMS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"
#include "pptfile/presentation.h"
#include "support/file_bytes.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fputs("usage: make_template OUTPUT.pot SIZE_IN_KIB [STREAMS]\n", stderr);
        return 2;
    }
    const long kib = std::strtol(argv[2], nullptr, 10);
    // Slides of 8 KiB each, or fewer and larger ones where the presentation
    // would hold more slides than a file can.
    constexpr std::size_t kMaxSlides = 2000;
    const std::size_t bytes = kib <= 0 ? 8 * 1024 : static_cast<std::size_t>(kib) * 1024;
    const std::size_t slides = std::clamp<std::size_t>(bytes / (8 * 1024), 1, kMaxSlides);
    const std::size_t state_bytes = bytes / slides;

    std::mt19937 random(2010);
    std::vector<pptfile::SlideContent> contents(slides);
    pptfile::SaveJob job;
    for (std::size_t i = 0; i < slides; ++i) {
        auto& slide = contents[i];
        slide.title = u"Measurement " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
        slide.title_rect = pptfile::kDefaultTitleRect;
        pptfile::ControlObject control;
        control.prog_id = u"TRELVO.TrelvoCtrl.1";
        control.anchor = {60.0f, 113.625f, 600.0f, 400.0f};
        control.state.resize(state_bytes);
        for (auto& byte : control.state) {
            byte = static_cast<std::uint8_t>(random());
        }
        slide.controls.push_back(std::move(control));
        job.slides.emplace_back(&slide);
    }
    try {
        std::vector<std::uint8_t> file;
        pptfile::WritePresentation(job, [&file](std::span<const std::uint8_t> piece) {
            file.insert(file.end(), piece.begin(), piece.end());
        });
        const long streams = argc == 4 ? std::strtol(argv[3], nullptr, 10) : 0;
        if (streams > 0) {
            pptfile::StorageEntry root = pptfile::ReadCompoundFile(file);
            for (long i = 0; i < streams; ++i) {
                pptfile::StorageEntry stream;
                stream.name = "extra " + std::to_string(i);
                stream.data = {static_cast<std::uint8_t>(i)};
                root.children.push_back(std::move(stream));
            }
            file = pptfile::WriteCompoundFile(root);
        }
        test_support::WriteFile(argv[1], file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_template: %s\n", e.what());
        return 1;
    }
    return 0;
}
