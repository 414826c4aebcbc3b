#include "builder/presentation_builder.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <string>

#include "automation/automation_error.h"
#include "automation/text_codec.h"
#include "cmdline/path_utils.h"
#include "framework/message_box.h"
#include "framework/ole_variant.h"

namespace {

constexpr const char16_t* kPresentationAppProgId = u"PowerPoint.Application";

constexpr const char16_t* kNoPresentationAppMessage =
    u"MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed.";
constexpr const char16_t* kViewerNotInstalledMessage =
    u"Trelvo Presenter 2009 or above is not installed properly";

// The members the build uses, by the object that answers them.
// Application:
constexpr DISPID kApplicationPrepare = 2033;  // sent once, right after start-up
constexpr DISPID kApplicationPresentations = 2001;
constexpr DISPID kApplicationQuit = 2021;
constexpr DISPID kApplicationWindowState = 2029;
// Presentations:
constexpr DISPID kPresentationsAdd = 2003;
constexpr DISPID kPresentationsOpen = 2005;
// Presentation:
constexpr DISPID kPresentationSlideMaster = 2003;
constexpr DISPID kPresentationSlides = 2011;
constexpr DISPID kPresentationSaveAs = 2036;
// Slide master:
constexpr DISPID kMasterWidth = 2010;
// Slides:
constexpr DISPID kSlidesItem = 0;
constexpr DISPID kSlidesCount = 11;
constexpr DISPID kSlidesAdd = 2004;
// Slide:
constexpr DISPID kSlideShapes = 2003;
// Shapes:
constexpr DISPID kShapesHasTitle = 2004;
constexpr DISPID kShapesAddTitle = 2005;
constexpr DISPID kShapesTitle = 2006;
// Shape:
constexpr DISPID kShapeHeight = 109;
constexpr DISPID kShapeTextFrame = 121;
constexpr DISPID kShapeTop = 123;
constexpr DISPID kShapeOleFormat = 2003;
// Text frame and text range:
constexpr DISPID kTextFrameTextRange = 2004;
constexpr DISPID kTextRangeText = 0;
// OLE format:
constexpr DISPID kOleFormatObject = 2004;
// The viewer control's property that names the data file it shows.
constexpr DISPID kViewerDataPath = 1;

constexpr std::int32_t kWindowStateMinimised = 2;
constexpr std::int32_t kBlankWithWindow = 1;
// Open the template as a new untitled presentation, not read-only, in a window.
constexpr std::int32_t kTemplateReadOnly = 0;
constexpr std::int32_t kTemplateUntitled = -1;
constexpr std::int32_t kTemplateWithWindow = -1;
constexpr std::int32_t kLayoutTitleOnly = 11;
constexpr std::int32_t kFileFormatPresentation = 1;
constexpr std::int32_t kEmbedTrueTypeFonts = 1;

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

// What the build was doing when a call failed, so that the message can say so.
enum class Stage {
    kPrepare,
    kReadWindowState,
    kMinimise,
    kPresentations,
    kOpenTemplate,
    kAddBlank,
    kSlides,
    kSlideWidth,
    kAddSlide,
    kWriteTitle,
    kTitlePosition,
    kSave,
    kRestoreWindowState,
    kQuit,
};

struct BuildPaths {
    const CString& output;
    const CString& template_file;
    const CString& slide_title;
};

CString Quoted(const CString& text) {
    return u"\"" + text + u"\"";
}

CString StageText(Stage stage, const BuildPaths& paths) {
    switch (stage) {
        case Stage::kPrepare:
            return u"Could not start PowerPoint";
        case Stage::kReadWindowState:
            return u"Could not read the state of PowerPoint's window";
        case Stage::kMinimise:
            return u"Could not minimise PowerPoint's window";
        case Stage::kPresentations:
            return u"Could not reach PowerPoint's presentations";
        case Stage::kOpenTemplate:
            return u"Could not open the template " + Quoted(paths.template_file);
        case Stage::kAddBlank:
            return u"Could not add a blank presentation";
        case Stage::kSlides:
            return u"Could not reach the slides of the presentation";
        case Stage::kSlideWidth:
            return u"Could not read the slide width from the slide master";
        case Stage::kAddSlide:
            return u"Could not add the new slide";
        case Stage::kWriteTitle:
            return u"Could not write the title " + Quoted(paths.slide_title) + u" on the new slide";
        case Stage::kTitlePosition:
            return u"Could not read the position of the slide title";
        case Stage::kSave:
            return u"Could not save the presentation as " + Quoted(paths.output);
        case Stage::kRestoreWindowState:
            return u"Could not restore the state of PowerPoint's window";
        case Stage::kQuit:
            return u"Could not quit PowerPoint";
    }
    return u"The presentation could not be built";
}

// The description of the exception being handled, as the server gave it.
std::u16string CurrentErrorDescription() {
    std::u16string description;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        description = u"not enough memory to finish this step";
    } catch (const std::exception& error) {
        description = automation::FromUtf8(error.what());
    } catch (...) {
    }
    if (description.empty()) {
        description = u"no reason was given";
    }
    return description;
}

// One message for the first failure outside the viewer insertion: the step
// and the description of the exception being handled.
void ReportFailure(Stage stage, const BuildPaths& paths) {
    const CString text = StageText(stage, paths) + u": " + CString(CurrentErrorDescription());
    AfxMessageBox(text, 0, 0);
}

// An object the build goes on to use must be there: a call on an empty
// wrapper does nothing, so a missing object would otherwise pass unnoticed
// and the build would end as if it had worked.
LPDISPATCH Required(LPDISPATCH object) {
    if (object == nullptr) {
        throw automation::AutomationError(automation::E_UNEXPECTED,
                                          "PowerPoint answered with no object");
    }
    return object;
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
    const BuildPaths paths{output_path, template_path, slide_title};

    std::int32_t saved_window_state = 0;
    bool window_state_read = false;
    float left = 0.0f;
    float top = 0.0f;

    // A failure outside the viewer insertion stops the build: nothing more
    // is asked of the presentation and nothing is saved, but the window state
    // is still put back and PowerPoint still told to quit.
    bool failed = false;
    Stage stage = Stage::kPrepare;
    try {
        // On an empty wrapper these three calls do nothing; the check below
        // tells the user.
        application.InvokeHelper(kApplicationPrepare, DISPATCH_METHOD, VT_EMPTY, nullptr,
                                 kNoParams);
        if (!already_running) {
            stage = Stage::kReadWindowState;
            application.InvokeHelper(kApplicationWindowState, DISPATCH_PROPERTYGET, VT_I4,
                                     &saved_window_state, kNoParams);
            window_state_read = true;
            stage = Stage::kMinimise;
            application.InvokeHelper(kApplicationWindowState, DISPATCH_PROPERTYPUT, VT_EMPTY,
                                     nullptr, kOneIntegerParams, kWindowStateMinimised);
        }

        if (application.m_lpDispatch == nullptr) {
            AfxMessageBox(kNoPresentationAppMessage, 0, 0);
            presentations.ReleaseDispatch();
            application.ReleaseDispatch();
            return BuildOutcome::kNotSaved;
        }

        stage = Stage::kPresentations;
        LPDISPATCH result = nullptr;
        application.InvokeHelper(kApplicationPresentations, DISPATCH_PROPERTYGET, VT_DISPATCH,
                                 &result, kNoParams);
        presentations.AttachDispatch(Required(result));

        // The presentation is the one this call makes, never whichever one
        // is active: the user may have others open in the same PowerPoint.
        result = nullptr;
        if (template_path.GetLength() == 0) {
            stage = Stage::kAddBlank;
            presentations.InvokeHelper(kPresentationsAdd, DISPATCH_METHOD, VT_DISPATCH, &result,
                                       kOneIntegerParams, kBlankWithWindow);
        } else {
            stage = Stage::kOpenTemplate;
            presentations.InvokeHelper(kPresentationsOpen, DISPATCH_METHOD, VT_DISPATCH, &result,
                                       kTemplateOpenParams, template_path, kTemplateReadOnly,
                                       kTemplateUntitled, kTemplateWithWindow);
        }
        presentation.AttachDispatch(Required(result));

        stage = Stage::kSlides;
        result = nullptr;
        presentation.InvokeHelper(kPresentationSlides, DISPATCH_PROPERTYGET, VT_DISPATCH, &result,
                                  kNoParams);
        slides.AttachDispatch(Required(result));
        stage = Stage::kSlideWidth;
        result = nullptr;
        presentation.InvokeHelper(kPresentationSlideMaster, DISPATCH_PROPERTYGET, VT_DISPATCH,
                                  &result, kNoParams);
        slide_master.AttachDispatch(Required(result));
        float slide_width = 0.0f;
        slide_master.InvokeHelper(kMasterWidth, DISPATCH_PROPERTYGET, VT_R4, &slide_width,
                                  kNoParams);
        // Centred: half the slide less half the viewer's width. A slide
        // narrower than the viewer gives a negative left, as it should.
        left = ToPoints(static_cast<double>(slide_width) * 0.5 - 300.0);

        stage = Stage::kAddSlide;
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
        // The new slide is found again by its index rather than kept from
        // the add call.
        slide_index = COleVariant(new_index, VT_I4);
        result = nullptr;
        slides.InvokeHelper(kSlidesItem, DISPATCH_METHOD, VT_DISPATCH, &result, kOneVariantParams,
                            static_cast<const VARIANT*>(&slide_index));
        new_slide.AttachDispatch(Required(result));
        result = nullptr;
        new_slide.InvokeHelper(kSlideShapes, DISPATCH_PROPERTYGET, VT_DISPATCH, &result, kNoParams);
        shapes.AttachDispatch(Required(result));

        stage = Stage::kWriteTitle;
        slide_title = ExtractFileTitle(data_path);
        std::int32_t has_title = 0;
        shapes.InvokeHelper(kShapesHasTitle, DISPATCH_PROPERTYGET, VT_I4, &has_title, kNoParams);
        result = nullptr;
        if (has_title != 0) {
            shapes.InvokeHelper(kShapesTitle, DISPATCH_PROPERTYGET, VT_DISPATCH, &result,
                                kNoParams);
        } else {
            shapes.InvokeHelper(kShapesAddTitle, DISPATCH_METHOD, VT_DISPATCH, &result, kNoParams);
        }
        title_shape.AttachDispatch(Required(result));
        result = nullptr;
        title_shape.InvokeHelper(kShapeTextFrame, DISPATCH_PROPERTYGET, VT_DISPATCH, &result,
                                 kNoParams);
        text_frame.AttachDispatch(Required(result));
        result = nullptr;
        text_frame.InvokeHelper(kTextFrameTextRange, DISPATCH_PROPERTYGET, VT_DISPATCH, &result,
                                kNoParams);
        text_range.AttachDispatch(Required(result));
        text_range.InvokeHelper(kTextRangeText, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr,
                                kOneStringParams, slide_title);

        stage = Stage::kTitlePosition;
        float title_top = 0.0f;
        float title_height = 0.0f;
        title_shape.InvokeHelper(kShapeTop, DISPATCH_PROPERTYGET, VT_R4, &title_top, kNoParams);
        title_shape.InvokeHelper(kShapeHeight, DISPATCH_PROPERTYGET, VT_R4, &title_height,
                                 kNoParams);
        top = ToPoints((static_cast<double>(title_height) + static_cast<double>(title_top)) +
                       kGapBelowTitle);
    } catch (...) {
        ReportFailure(stage, paths);
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
                result = nullptr;
                ole_format.InvokeHelper(kOleFormatObject, DISPATCH_PROPERTYGET, VT_DISPATCH,
                                        &result, kNoParams);
                // An object that vanished between the two reads would leave
                // the property put below silently undone.
                control.AttachDispatch(Required(result));
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
        stage = Stage::kSave;
        try {
            presentation.InvokeHelper(kPresentationSaveAs, DISPATCH_METHOD, VT_EMPTY, nullptr,
                                      kSaveParams, output_path, kFileFormatPresentation,
                                      kEmbedTrueTypeFonts);
            saved = true;
        } catch (...) {
            ReportFailure(stage, paths);
            failed = true;
        }
    }

    // Put back what was changed and let PowerPoint go, also after a failure;
    // only the first failure of a build is reported. A PowerPoint the user
    // already had open keeps its window and goes on running, the saved
    // presentation open in it.
    if (window_state_read) {
        try {
            application.InvokeHelper(kApplicationWindowState, DISPATCH_PROPERTYPUT, VT_EMPTY,
                                     nullptr, kOneIntegerParams, saved_window_state);
        } catch (...) {
            if (!failed) {
                ReportFailure(Stage::kRestoreWindowState, paths);
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
                ReportFailure(Stage::kQuit, paths);
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
    application.ReleaseDispatch();

    if (!saved) {
        return BuildOutcome::kNotSaved;
    }
    return viewer_bound ? BuildOutcome::kSavedWithViewer : BuildOutcome::kSavedWithoutViewer;
}
