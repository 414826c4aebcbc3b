// Saves onto a template the way the application does: the template's slides,
// then a new title-only slide with the viewer control under the master's
// title. Prints the slide count and the control's anchor, for the checkers.
//
//   write_on_template TEMPLATE OUTPUT TITLE
#include <cstdio>
#include <exception>
#include <string>

#include <glib.h>

#include "pptfile/presentation.h"

namespace {

std::u16string FromUtf8(const char* text) {
    glong units = 0;
    gunichar2* utf16 = g_utf8_to_utf16(text, -1, nullptr, &units, nullptr);
    if (utf16 == nullptr)
        return {};
    std::u16string out(reinterpret_cast<const char16_t*>(utf16), static_cast<std::size_t>(units));
    g_free(utf16);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: write_on_template TEMPLATE OUTPUT TITLE\n");
        return 2;
    }
    try {
        const pptfile::SourcePresentation source = pptfile::SourcePresentation::Open(argv[1]);
        pptfile::SlideContent slide;
        slide.title = FromUtf8(argv[3]);
        slide.title_rect = source.MasterTitleRect();
        pptfile::ControlObject control;
        control.prog_id = u"TRELVO.TrelvoCtrl.1";
        control.clsid = {0x3F, 0x2B, 0x8E, 0x51, 0x0C, 0x7D, 0x4A, 0x43,
                         0x9E, 0x61, 0x5A, 0x17, 0xC2, 0x40, 0x8B, 0x11};
        const std::string state = std::string(argv[3]) + ".zbn";
        control.state.assign(state.begin(), state.end());
        // Where the application puts the viewer: under the title.
        const pptfile::Rect t = slide.title_rect;
        control.anchor = {t.left + 24.0f, t.top + t.height + 2.0f, 600.0f, 400.0f};
        slide.controls.push_back(control);

        pptfile::SaveJob job;
        job.source = &source;
        for (std::size_t i = 0; i < source.Slides().size(); ++i)
            job.slides.emplace_back(i);
        job.slides.emplace_back(&slide);
        pptfile::SavePresentation(job, argv[2]);
        std::printf(
            "%zu %.9g %.9g %.9g %.9g\n", job.slides.size(),
            static_cast<double>(control.anchor.left), static_cast<double>(control.anchor.top),
            static_cast<double>(control.anchor.width), static_cast<double>(control.anchor.height));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "write_on_template: %s\n", e.what());
        return 1;
    }
    return 0;
}
