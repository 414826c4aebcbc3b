// The interop writer's arguments in UTF-16, and the slide the application
// adds, a title with the viewer control under it.
#pragma once

#include <string>

#include "automation/text_codec.h"
#include "pptfile/presentation.h"

namespace interop {

// A slide titled `title` in `title_rect`, with the viewer control holding
// `state`, a data path, where the application puts it: under the title.
inline pptfile::SlideContent ViewerSlide(const char* title, const pptfile::Rect& title_rect,
                                         const std::string& state) {
    pptfile::SlideContent slide;
    slide.title = automation::FromUtf8(title);
    slide.title_rect = title_rect;
    pptfile::ControlObject control;
    control.prog_id = u"TRELVO.TrelvoCtrl.1";
    control.clsid = {0x3F, 0x2B, 0x8E, 0x51, 0x0C, 0x7D, 0x4A, 0x43,
                     0x9E, 0x61, 0x5A, 0x17, 0xC2, 0x40, 0x8B, 0x11};
    control.state.assign(state.begin(), state.end());
    control.preview_lines = {
        u"Trelvo viewer",
        automation::FromUtf8(state.substr(state.find_last_of("\\/") + 1).c_str())};
    control.anchor = {title_rect.left + 24.0f, title_rect.top + title_rect.height + 2.0f, 600.0f,
                      400.0f};
    slide.controls.push_back(control);
    return slide;
}

}  // namespace interop
