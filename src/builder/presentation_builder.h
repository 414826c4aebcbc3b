// The presentation builder: the automation conversation with the presentation
// application that produces and saves the presentation with the viewer slide.
#pragma once

#include "framework/cstring.h"
#include "framework/ole_dispatch_driver.h"

// How a build ended, for the caller's exit status. The user has already been
// told everything in message boxes.
enum class BuildOutcome {
    kSavedWithViewer,     // saved, the viewer control given the data path
    kSavedWithoutViewer,  // saved, but the viewer control is missing or failed
    kNotSaved,            // no presentation application, or a step failed
};

// Builds the presentation and saves it under `output_path`. The paths are
// handed on as they are: the data path to the viewer control, the output path
// to the save call. An empty `template_path` means a blank presentation.
// The user hears of failures in message boxes, at most one for the viewer and
// one for everything else, and the call returns normally. What is saved is
// the presentation that the build made. Once the application has started it
// is told to quit whatever happened, its window state put back first if it
// was read; an application that was already running before the build is
// left as it was, neither minimised nor quit. Nothing is saved after a
// failure outside the viewer insertion.
BuildOutcome BuildPresentation(CString data_path, CString output_path, CString template_path);

// Inserts the viewer control as an OLE object of the given position and size
// (points) into `shapes`; returns the new shape, whose reference the caller owns.
LPDISPATCH AddViewerObject(COleDispatchDriver& shapes, float left, float top, float width,
                           float height);
