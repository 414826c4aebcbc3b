#include "builder/presentation_builder.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <string>
#include <utility>

#include "automation/automation_error.h"
#include "automation/presentation_members.h"
#include "automation/text_codec.h"
#include "cmdline/path_utils.h"
#include "framework/message_box.h"
#include "framework/ole_variant.h"

namespace {

using namespace automation::ppt;

constexpr const char16_t* kPresentationAppProgId = u"PowerPoint.Application";

constexpr const char16_t* kNoPresentationAppMessage =
    u"MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed.";
constexpr const char16_t* kViewerNotInstalledMessage =
    u"Trelvo Presenter 2009 or above is not installed properly";

constexpr std::int32_t kBlankWithWindow = 1;
// Open the template as a new untitled presentation, not read-only, in a window.
constexpr std::int32_t kTemplateReadOnly = 0;
constexpr std::int32_t kTemplateUntitled = -1;
constexpr std::int32_t kTemplateWithWindow = -1;
constexpr std::int32_t kEmbedTrueTypeFonts = 1;

// The viewer control's class; the application creates it by this name.
constexpr const char16_t* kViewerControlProgId = u"TRELVO.TrelvoCtrl.1";
constexpr float kViewerWidth = 600.0f;
constexpr float kViewerHeight = 400.0f;
constexpr double kGapBelowTitle = 2.0;

constexpr const BYTE* kNoParams = nullptr;
static const BYTE kOneIntegerParams[] = {VT_I4, 0};
static const BYTE kTemplateOpenParams[] = {VT_BSTR, VT_I4, VT_I4, VT_I4, 0};
static const BYTE kOneVariantParams[] = {VT_VARIANT, 0};
static const BYTE kTwoIntegersParams[] = {VT_I4, VT_I4, 0};
static const BYTE kOneStringParams[] = {VT_BSTR, 0};
static const BYTE kSaveParams[] = {VT_BSTR, VT_I4, VT_I4, 0};
static const BYTE kOleObjectInsertionParams[] = {VT_R4, VT_R4,   VT_R4, VT_R4,   VT_BSTR, VT_BSTR,
                                                 VT_I4, VT_BSTR, VT_I4, VT_BSTR, VT_I4,   0};

CString Quoted(const CString& text) {
    return u"\"" + text + u"\"";
}

// One message for the first failure outside the viewer insertion: what the
// build was doing and the description of the exception being handled.
void ReportFailure(const CString& step) {
    std::u16string description;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        description = u"not enough memory to finish this step";
    } catch (const std::exception& error) {
        description = automation::FromUtf8(error.what());
    } catch (...) {
    }
    AfxMessageBox(step + u": " + (description.empty() ? u"no reason was given" : description), 0,
                  0);
}

// A call on an empty wrapper does nothing, so a missing object that the build
// goes on to use would pass unnoticed and the build end as if it had worked.
LPDISPATCH Required(LPDISPATCH object) {
    if (object == nullptr) {
        throw automation::AutomationError(automation::E_UNEXPECTED,
                                          "PowerPoint answered with no object");
    }
    return object;
}

// Calls the member of `from` that answers an object, and holds that object
// in `to`; a missing object is a failure.
template <class... Args>
void Attach(COleDispatchDriver& to, COleDispatchDriver& from, DISPID member, WORD kind,
            const BYTE* params, Args&&... args) {
    LPDISPATCH result = nullptr;
    from.InvokeHelper(member, kind, VT_DISPATCH, &result, params, std::forward<Args>(args)...);
    to.AttachDispatch(Required(result));
}

void AttachProperty(COleDispatchDriver& to, COleDispatchDriver& from, DISPID member) {
    Attach(to, from, member, DISPATCH_PROPERTYGET, kNoParams);
}

// A position in points as the 32-bit float the server takes; beyond the
// float range the narrowing would be undefined.
float ToPoints(double value) {
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        throw automation::AutomationError(automation::E_UNEXPECTED,
                                          "PowerPoint gave a position that is not a usable "
                                          "number of points");
    }
    return static_cast<float>(value);
}

}  // namespace

BuildOutcome BuildPresentation(CString data_path, CString output_path, CString template_path) {
    // PowerPoint runs once per user: if it is running now, creating it below
    // gives the user's own, which the build must leave as it found it.
    const bool already_running = framework::IsServerRunning(kPresentationAppProgId);
    COleDispatchDriver application;
    application.CreateDispatch(kPresentationAppProgId);

    COleDispatchDriver presentations;
    COleDispatchDriver presentation;
    COleDispatchDriver slides;
    COleDispatchDriver slide_master;
    COleDispatchDriver new_slide;
    COleDispatchDriver shapes;
    COleDispatchDriver title_shape;
    COleDispatchDriver text_frame;
    COleDispatchDriver text_range;
    COleVariant slide_index;
    CString slide_title;

    std::int32_t saved_window_state = 0;
    bool window_state_read = false;
    float left = 0.0f;
    float top = 0.0f;

    // A failure outside the viewer insertion stops the build and nothing is
    // saved, but the window state is put back and PowerPoint told to quit.
    bool failed = false;
    CString step = u"Could not start PowerPoint";
    try {
        // On an empty wrapper these three calls do nothing; the check below tells the user.
        application.InvokeHelper(kApplicationActivate, DISPATCH_METHOD, VT_EMPTY, nullptr,
                                 kNoParams);
        if (!already_running) {
            step = u"Could not read the state of PowerPoint's window";
            application.InvokeHelper(kApplicationWindowState, DISPATCH_PROPERTYGET, VT_I4,
                                     &saved_window_state, kNoParams);
            window_state_read = true;
            step = u"Could not minimise PowerPoint's window";
            application.InvokeHelper(kApplicationWindowState, DISPATCH_PROPERTYPUT, VT_EMPTY,
                                     nullptr, kOneIntegerParams, kWindowStateMinimised);
        }

        if (application.m_lpDispatch == nullptr) {
            AfxMessageBox(kNoPresentationAppMessage, 0, 0);
            presentations.ReleaseDispatch();
            application.ReleaseDispatch();
            return BuildOutcome::kNotSaved;
        }

        step = u"Could not reach PowerPoint's presentations";
        AttachProperty(presentations, application, kApplicationPresentations);

        // The presentation is the one this call makes, never whichever one
        // is active: the user may have others open in the same PowerPoint.
        if (template_path.GetLength() == 0) {
            step = u"Could not add a blank presentation";
            Attach(presentation, presentations, kPresentationsAdd, DISPATCH_METHOD,
                   kOneIntegerParams, kBlankWithWindow);
        } else {
            step = u"Could not open the template " + Quoted(template_path);
            Attach(presentation, presentations, kPresentationsOpen, DISPATCH_METHOD,
                   kTemplateOpenParams, template_path, kTemplateReadOnly, kTemplateUntitled,
                   kTemplateWithWindow);
        }

        step = u"Could not reach the slides of the presentation";
        AttachProperty(slides, presentation, kPresentationSlides);
        step = u"Could not read the slide width from the slide master";
        AttachProperty(slide_master, presentation, kPresentationSlideMaster);
        float slide_width = 0.0f;
        slide_master.InvokeHelper(kMasterWidth, DISPATCH_PROPERTYGET, VT_R4, &slide_width,
                                  kNoParams);
        // Centred: half the slide less half the viewer's width. A slide
        // narrower than the viewer gives a negative left, as it should.
        left = ToPoints(static_cast<double>(slide_width) * 0.5 - 300.0);

        step = u"Could not add the new slide";
        std::int32_t slide_count = 0;
        slides.InvokeHelper(kSlidesCount, DISPATCH_PROPERTYGET, VT_I4, &slide_count, kNoParams);
        if (slide_count < 0 || slide_count == std::numeric_limits<std::int32_t>::max()) {
            throw automation::AutomationError(
                automation::E_UNEXPECTED,
                "the presentation claims " + std::to_string(slide_count) + " slides");
        }
        const std::int32_t new_index = slide_count + 1;
        LPDISPATCH added = nullptr;
        slides.InvokeHelper(kSlidesAdd, DISPATCH_METHOD, VT_DISPATCH, &added, kTwoIntegersParams,
                            new_index, kLayoutTitleOnly);
        COleDispatchDriver(added).ReleaseDispatch();
        // The new slide is found again by its index, not kept from the add call.
        slide_index = COleVariant(new_index, VT_I4);
        Attach(new_slide, slides, kSlidesItem, DISPATCH_METHOD, kOneVariantParams,
               static_cast<const VARIANT*>(&slide_index));
        AttachProperty(shapes, new_slide, kSlideShapes);

        slide_title = ExtractFileTitle(data_path);
        step = u"Could not write the title " + Quoted(slide_title) + u" on the new slide";
        std::int32_t has_title = 0;
        shapes.InvokeHelper(kShapesHasTitle, DISPATCH_PROPERTYGET, VT_I4, &has_title, kNoParams);
        if (has_title != 0) {
            AttachProperty(title_shape, shapes, kShapesTitle);
        } else {
            Attach(title_shape, shapes, kShapesAddTitle, DISPATCH_METHOD, kNoParams);
        }
        AttachProperty(text_frame, title_shape, kShapeTextFrame);
        AttachProperty(text_range, text_frame, kTextFrameTextRange);
        text_range.InvokeHelper(kTextRangeText, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr,
                                kOneStringParams, slide_title);

        step = u"Could not read the position of the slide title";
        float title_top = 0.0f;
        float title_height = 0.0f;
        title_shape.InvokeHelper(kShapeTop, DISPATCH_PROPERTYGET, VT_R4, &title_top, kNoParams);
        title_shape.InvokeHelper(kShapeHeight, DISPATCH_PROPERTYGET, VT_R4, &title_height,
                                 kNoParams);
        top = ToPoints((static_cast<double>(title_height) + static_cast<double>(title_top)) +
                       kGapBelowTitle);
    } catch (...) {
        ReportFailure(step);
        failed = true;
    }
    text_range.ReleaseDispatch();
    text_frame.ReleaseDispatch();
    title_shape.ReleaseDispatch();

    // The viewer is the one part the build can do without: whatever goes
    // wrong here, the user hears one message and still gets the presentation.
    bool viewer_bound = false;
    if (!failed) {
        COleDispatchDriver viewer_shape;
        COleDispatchDriver ole_format;
        COleDispatchDriver control;
        bool told = false;
        try {
            viewer_shape.AttachDispatch(
                AddViewerObject(shapes, left, top, kViewerWidth, kViewerHeight));
            LPDISPATCH result = nullptr;
            viewer_shape.InvokeHelper(kShapeOleFormat, DISPATCH_PROPERTYGET, VT_DISPATCH, &result,
                                      kNoParams);
            ole_format.AttachDispatch(result);
            LPDISPATCH embedded = nullptr;
            ole_format.InvokeHelper(kOleFormatObject, DISPATCH_PROPERTYGET, VT_DISPATCH, &embedded,
                                    kNoParams);
            COleDispatchDriver probe(embedded);
            if (probe.m_lpDispatch == nullptr) {
                told = true;
                AfxMessageBox(kViewerNotInstalledMessage, 0, 0);
            } else {
                probe.ReleaseDispatch();
                // An object that vanished between the two reads would leave
                // the property put below silently undone.
                AttachProperty(control, ole_format, kOleFormatObject);
                control.SetProperty(kViewerDataPath, VT_BSTR, data_path);
                viewer_bound = true;
                control.ReleaseDispatch();
            }
            ole_format.ReleaseDispatch();
            viewer_shape.ReleaseDispatch();
        } catch (...) {
            viewer_bound = false;
            control.ReleaseDispatch();
            ole_format.ReleaseDispatch();
            viewer_shape.ReleaseDispatch();
            if (!told) {
                AfxMessageBox(kViewerNotInstalledMessage, 0, 0);
            }
        }
    }

    bool saved = false;
    if (!failed) {
        step = u"Could not save the presentation as " + Quoted(output_path);
        try {
            presentation.InvokeHelper(kPresentationSaveAs, DISPATCH_METHOD, VT_EMPTY, nullptr,
                                      kSaveParams, output_path, kFileFormatPresentation,
                                      kEmbedTrueTypeFonts);
            saved = true;
        } catch (...) {
            ReportFailure(step);
            failed = true;
        }
    }

    // Put back what was changed and let PowerPoint go, also after a failure
    // (only the first one is reported). A PowerPoint the user had open keeps
    // its window and goes on running, the saved presentation open in it.
    if (window_state_read) {
        try {
            application.InvokeHelper(kApplicationWindowState, DISPATCH_PROPERTYPUT, VT_EMPTY,
                                     nullptr, kOneIntegerParams, saved_window_state);
        } catch (...) {
            if (!failed) {
                ReportFailure(u"Could not restore the state of PowerPoint's window");
                failed = true;
            }
        }
    }
    if (!already_running) {
        try {
            application.InvokeHelper(kApplicationQuit, DISPATCH_METHOD, VT_EMPTY, nullptr,
                                     kNoParams);
        } catch (...) {
            if (!failed) {
                ReportFailure(u"Could not quit PowerPoint");
                failed = true;
            }
        }
    }
    application.ReleaseDispatch();

    slide_title.Empty();
    shapes.ReleaseDispatch();
    new_slide.ReleaseDispatch();
    VariantClear(&slide_index);
    slide_master.ReleaseDispatch();
    slides.ReleaseDispatch();
    presentation.ReleaseDispatch();
    presentations.ReleaseDispatch();

    if (!saved) {
        return BuildOutcome::kNotSaved;
    }
    return viewer_bound ? BuildOutcome::kSavedWithViewer : BuildOutcome::kSavedWithoutViewer;
}

LPDISPATCH AddViewerObject(COleDispatchDriver& shapes, float left, float top, float width,
                           float height) {
    // The control is embedded, not linked to a file and not shown as an icon:
    // it draws the data itself once it is given the data path.
    LPDISPATCH shape = nullptr;
    shapes.InvokeHelper(kShapesAddOleObject, DISPATCH_METHOD, VT_DISPATCH, &shape,
                        kOleObjectInsertionParams, left, top, width, height, kViewerControlProgId,
                        u"", std::int32_t{0}, u"", std::int32_t{0}, u"", std::int32_t{0});
    return shape;
}
