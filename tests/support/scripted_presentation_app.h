// A presentation application played by a scripted server: it answers the
// presentation builder's conversation, from start-up to quit, with the
// values of a setup. Tests change single answers afterwards with On() or
// FailCall(), and compare what was recorded.
#pragma once

#include <cstdint>

#include "support/scripted_server.h"

namespace test_support {

// The objects of the application, by the names the record uses.
namespace app_object {
inline constexpr const char* kApplication = "application";
inline constexpr const char* kPresentations = "presentations";
inline constexpr const char* kPresentation = "presentation";  // what Open and Add answer
inline constexpr const char* kSlides = "slides";
inline constexpr const char* kSlideMaster = "slide master";
inline constexpr const char* kAddedSlide = "added slide";  // what Slides.Add answers
inline constexpr const char* kNewSlide = "new slide";      // what Slides.Item answers
inline constexpr const char* kShapes = "shapes";
inline constexpr const char* kTitleShape = "title shape";
inline constexpr const char* kTextFrame = "text frame";
inline constexpr const char* kTextRange = "text range";
inline constexpr const char* kViewerShape = "viewer shape";
inline constexpr const char* kOleFormat = "OLE format";
inline constexpr const char* kEmbeddedObject = "embedded object";  // the first read of Object
inline constexpr const char* kControl = "control";                 // the second read
}  // namespace app_object

struct PresentationAppSetup {
    // The user has the application open already when the client starts it.
    bool already_running = false;
    std::int32_t window_state = 1;
    std::int32_t slide_count = 3;
    std::int32_t has_title = 1;
    float slide_width = 720.0f;
    float title_top = 30.0f;
    float title_height = 50.0f;
    // Without the viewer, the inserted object's OLE format holds no object.
    bool viewer_installed = true;
};

void ScriptPresentationApp(ScriptedServer& server, const PresentationAppSetup& setup);

}  // namespace test_support
