// Writes a one-slide presentation the way the application saves one: a
// title-only slide with the viewer control under the title. Used by the
// interop checks to exercise the file writer on its own.
//
//   write_sample OUTPUT TITLE [CONTROL_STATE]
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
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: write_sample OUTPUT TITLE [CONTROL_STATE]\n");
        return 2;
    }
    pptfile::SlideContent slide;
    slide.title = FromUtf8(argv[2]);
    slide.title_rect = pptfile::kDefaultTitleRect;
    pptfile::ControlObject control;
    control.prog_id = u"TRELVO.TrelvoCtrl.1";
    control.clsid = {0x3F, 0x2B, 0x8E, 0x51, 0x0C, 0x7D, 0x4A, 0x43,
                     0x9E, 0x61, 0x5A, 0x17, 0xC2, 0x40, 0x8B, 0x11};
    const std::string state = argc == 4 ? argv[3] : std::string("sample.zbn");
    control.state.assign(state.begin(), state.end());
    // Where the application puts the viewer under the default title.
    control.anchor = {60.0f, 113.625f, 600.0f, 400.0f};
    slide.controls.push_back(control);

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
