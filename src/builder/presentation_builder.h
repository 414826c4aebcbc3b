// The presentation builder: the automation conversation that makes and saves
// the presentation with the viewer slide.
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

// Builds the presentation (blank for an empty `template_path`) and saves it
// under `output_path`, telling at most one failure of the viewer and one other,
// after which nothing is saved. An application the build started always gets
// its window state back and is told to quit.
BuildOutcome BuildPresentation(CString data_path, CString output_path, CString template_path);

// Inserts the viewer control as an OLE object of the given position and size
// (points) into `shapes`; returns the new shape, whose reference the caller owns.
LPDISPATCH AddViewerObject(COleDispatchDriver& shapes, float left, float top, float width,
                           float height);
