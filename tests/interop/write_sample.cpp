// Writes a one-slide presentation the way the application saves one: a
// title-only slide with the viewer control under the title. Used by the
// interop checks to exercise the file writer on its own.
//
//   write_sample OUTPUT TITLE [CONTROL_STATE]
#include <cstdio>
#include <exception>
#include <string>

#include "pptfile/presentation.h"
#include "viewer_slide.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: write_sample OUTPUT TITLE [CONTROL_STATE]\n");
        return 2;
    }
    const std::string state = argc == 4 ? argv[3] : std::string("sample.zbn");
    const pptfile::SlideContent slide =
        interop::ViewerSlide(argv[2], pptfile::kDefaultTitleRect, state);

    pptfile::SaveJob job;
    job.slides.push_back(&slide);
    try {
        pptfile::SavePresentation(job, argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "write_sample: %s\n", e.what());
        return 1;
    }
    return 0;
}
