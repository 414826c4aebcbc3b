// Saves onto a template the way the application does: the template's slides,
// then a new title-only slide on the last slide's master, with the viewer
// control under that master's title. Prints the slide count and the control's anchor, for the
// checkers.
//
//   write_on_template TEMPLATE OUTPUT TITLE
#include <cstdio>
#include <exception>
#include <string>

#include "pptfile/presentation.h"
#include "viewer_slide.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: write_on_template TEMPLATE OUTPUT TITLE\n");
        return 2;
    }
    try {
        const pptfile::SourcePresentation source = pptfile::SourcePresentation::Open(argv[1]);
        const pptfile::SlideDesign design = source.NewSlideDesign(source.Slides().size());
        pptfile::SlideContent slide =
            interop::ViewerSlide(argv[3], design.title_rect, std::string(argv[3]) + ".zbn");
        slide.master_id = design.master_id;

        pptfile::SaveJob job;
        job.source = &source;
        for (std::size_t i = 0; i < source.Slides().size(); ++i)
            job.slides.emplace_back(i);
        job.slides.emplace_back(&slide);
        pptfile::SavePresentation(job, argv[2]);
        const pptfile::Rect& anchor = slide.controls.front().anchor;
        std::printf("%zu %.9g %.9g %.9g %.9g\n", job.slides.size(),
                    static_cast<double>(anchor.left), static_cast<double>(anchor.top),
                    static_cast<double>(anchor.width), static_cast<double>(anchor.height));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "write_on_template: %s\n", e.what());
        return 1;
    }
    return 0;
}
