// The presentation builder: the automation conversation with the presentation
// application that produces and saves the presentation with the viewer slide.
#pragma once

#include "framework/cstring.h"
#include "framework/ole_dispatch_driver.h"

// How a build ended, for the caller's exit status. The user has already been
// told everything in message boxes.
enum class BuildOutcome {
    kSavedWithViewer,     // saved, the viewer control bound to the data file
    kSavedWithoutViewer,  // saved, but the viewer control is missing or failed
    kNotSaved,            // no presentation application, or a step failed
};

// Builds the presentation and saves it under `output_path`. The paths are
// handed on as they are: the data path to the viewer control, the output path
// to the save call. An empty `template_path` means a blank presentation.
BuildOutcome BuildPresentation(CString data_path, CString output_path, CString template_path);

// Inserts the viewer control as an OLE object of the given position and size
// (points) into `shapes`; returns the new shape, whose reference the caller owns.
LPDISPATCH AddViewerObject(COleDispatchDriver& shapes, float left, float top, float width,
                           float height);
