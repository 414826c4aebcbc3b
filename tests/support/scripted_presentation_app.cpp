#include "support/scripted_presentation_app.h"

namespace test_support {

void ScriptPresentationApp(ScriptedServer& server, const PresentationAppSetup& setup) {
    using automation::DISPATCH_METHOD;
    using automation::DISPATCH_PROPERTYGET;
    using automation::DISPATCH_PROPERTYPUT;
    namespace o = app_object;

    server.On(o::kApplication, 2033, DISPATCH_METHOD, Reply::Nothing());
    server.On(o::kApplication, 2029, DISPATCH_PROPERTYGET, Reply::Int(setup.window_state));
    server.On(o::kApplication, 2029, DISPATCH_PROPERTYPUT, Reply::Nothing());
    server.On(o::kApplication, 2001, DISPATCH_PROPERTYGET, Reply::Object(o::kPresentations));
    server.On(o::kApplication, 2021, DISPATCH_METHOD, Reply::Nothing());

    server.On(o::kPresentations, 2005, DISPATCH_METHOD, Reply::Object(o::kPresentation));
    server.On(o::kPresentations, 2003, DISPATCH_METHOD, Reply::Object(o::kPresentation));

    server.On(o::kPresentation, 2011, DISPATCH_PROPERTYGET, Reply::Object(o::kSlides));
    server.On(o::kPresentation, 2003, DISPATCH_PROPERTYGET, Reply::Object(o::kSlideMaster));
    server.On(o::kSlideMaster, 2010, DISPATCH_PROPERTYGET, Reply::Float(setup.slide_width));

    server.On(o::kSlides, 11, DISPATCH_PROPERTYGET, Reply::Int(setup.slide_count));
    server.On(o::kSlides, 2004, DISPATCH_METHOD, Reply::Object(o::kAddedSlide));
    server.On(o::kSlides, 0, DISPATCH_METHOD, Reply::Object(o::kNewSlide));
    server.On(o::kNewSlide, 2003, DISPATCH_PROPERTYGET, Reply::Object(o::kShapes));

    server.On(o::kShapes, 2004, DISPATCH_PROPERTYGET, Reply::Int(setup.has_title));
    server.On(o::kShapes, 2006, DISPATCH_PROPERTYGET, Reply::Object(o::kTitleShape));
    server.On(o::kShapes, 2005, DISPATCH_METHOD, Reply::Object(o::kTitleShape));
    server.On(o::kTitleShape, 121, DISPATCH_PROPERTYGET, Reply::Object(o::kTextFrame));
    server.On(o::kTextFrame, 2004, DISPATCH_PROPERTYGET, Reply::Object(o::kTextRange));
    server.On(o::kTextRange, 0, DISPATCH_PROPERTYPUT, Reply::Nothing());
    server.On(o::kTitleShape, 123, DISPATCH_PROPERTYGET, Reply::Float(setup.title_top));
    server.On(o::kTitleShape, 109, DISPATCH_PROPERTYGET, Reply::Float(setup.title_height));

    server.On(o::kShapes, 2008, DISPATCH_METHOD, Reply::Object(o::kViewerShape));
    server.On(o::kViewerShape, 2003, DISPATCH_PROPERTYGET, Reply::Object(o::kOleFormat));
    if (setup.viewer_installed) {
        server.On(o::kOleFormat, 2004, DISPATCH_PROPERTYGET,
                  {Reply::Object(o::kEmbeddedObject), Reply::Object(o::kControl)});
    } else {
        server.On(o::kOleFormat, 2004, DISPATCH_PROPERTYGET, Reply::NoObject());
    }
    server.On(o::kControl, 1, DISPATCH_PROPERTYPUT, Reply::Nothing());

    server.On(o::kPresentation, 2036, DISPATCH_METHOD, Reply::Nothing());
}

}  // namespace test_support
