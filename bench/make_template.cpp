// Writes a presentation of about the requested size to serve as a large design
// template: slides with a title and a control whose state is incompressible,
// and as many extra one-byte streams as asked for beside the presentation's.
// With "pictures", one such slide and the size in the "Pictures" stream, as
// a template's pictures would take it.
//   make_template OUTPUT.pot SIZE_IN_KIB [STREAMS] [pictures]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "pptfile/presentation.h"
#include "pptfile/record_types.h"
#include "support/compound.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        std::fputs("usage: make_template OUTPUT.pot SIZE_IN_KIB [STREAMS] [pictures]\n", stderr);
        return 2;
    }
    const long kib = std::strtol(argv[2], nullptr, 10);
    const long streams = argc >= 4 ? std::strtol(argv[3], nullptr, 10) : 0;
    const bool pictures = argc == 5 && std::string(argv[4]) == "pictures";
    // Slides of 8 KiB each, or fewer and larger ones where the presentation
    // would hold more slides than a file can.
    constexpr std::size_t kMaxSlides = 2000;
    const std::size_t bytes = kib <= 0 ? 8 * 1024 : static_cast<std::size_t>(kib) * 1024;
    const std::size_t slides =
        pictures ? 1 : std::clamp<std::size_t>(bytes / (8 * 1024), 1, kMaxSlides);
    const std::size_t state_bytes = pictures ? 8 * 1024 : bytes / slides;

    std::mt19937 random(2010);
    std::vector<pptfile::SlideContent> contents(slides);
    const pptfile::SourcePresentation blank = test_support::Open(
        {pptfile::BlankPresentation().begin(), pptfile::BlankPresentation().end()});
    pptfile::SaveJob job{&blank, {}};
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
        test_support::Bytes file = test_support::Saved(job);
        if (streams > 0 || pictures) {
            cfb::StorageEntry root = test_support::ReadTree(file);
            for (long i = 0; i < streams; ++i) {
                const std::string name = "extra " + std::to_string(i);
                root.children.push_back(test_support::Stream(
                    std::u16string(name.begin(), name.end()), {static_cast<std::uint8_t>(i)}));
            }
            if (pictures) {
                test_support::Bytes& blips =
                    test_support::Data(*root.Find(pptfile::kPicturesStream));
                blips.resize(bytes);
                for (auto& byte : blips) {
                    byte = static_cast<std::uint8_t>(random());
                }
            }
            file = cfb::WriteCompoundFile(root);
        }
        test_support::WriteFile(argv[1], file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_template: %s\n", e.what());
        return 1;
    }
    return 0;
}
