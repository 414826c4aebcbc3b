// The members of "PowerPoint.Application" that the build calls and the
// embedded application answers, by object, named after PowerPoint's object
// model; the DISPIDs are what crosses the wire.
#pragma once

#include "automation/types.h"

namespace automation::ppt {

// Application
inline constexpr DISPID kApplicationPresentations = 2001;
inline constexpr DISPID kApplicationQuit = 2021;
inline constexpr DISPID kApplicationWindowState = 2029;
inline constexpr DISPID kApplicationActivate = 2033;  // sent once, right after start-up
// Presentations
inline constexpr DISPID kPresentationsAdd = 2003;
inline constexpr DISPID kPresentationsOpen = 2005;
// Presentation
inline constexpr DISPID kPresentationSlideMaster = 2003;
inline constexpr DISPID kPresentationSlides = 2011;
inline constexpr DISPID kPresentationSaveAs = 2036;
// Master
inline constexpr DISPID kMasterWidth = 2010;
// Slides
inline constexpr DISPID kSlidesItem = 0;
inline constexpr DISPID kSlidesCount = 11;
inline constexpr DISPID kSlidesAdd = 2004;
// Slide
inline constexpr DISPID kSlideShapes = 2003;
// Shapes
inline constexpr DISPID kShapesHasTitle = 2004;
inline constexpr DISPID kShapesAddTitle = 2005;
inline constexpr DISPID kShapesTitle = 2006;
inline constexpr DISPID kShapesAddOleObject = 2008;
// Shape
inline constexpr DISPID kShapeHeight = 109;
inline constexpr DISPID kShapeTextFrame = 121;
inline constexpr DISPID kShapeTop = 123;
inline constexpr DISPID kShapeOleFormat = 2003;
// TextFrame, TextRange
inline constexpr DISPID kTextFrameTextRange = 2004;
inline constexpr DISPID kTextRangeText = 0;
// OLEFormat
inline constexpr DISPID kOleFormatObject = 2004;

// The viewer control's property that names the data file it shows.
inline constexpr DISPID kViewerDataPath = 1;

// Values of the application's arguments and answers.
inline constexpr std::int32_t kWindowStateNormal = 1;
inline constexpr std::int32_t kWindowStateMinimised = 2;
inline constexpr std::int32_t kWindowStateMaximised = 3;
inline constexpr std::int32_t kLayoutTitleOnly = 11;
inline constexpr std::int32_t kFileFormatPresentation = 1;  // PowerPoint 97-2003
inline constexpr std::int32_t kTrue = -1;

}  // namespace automation::ppt
