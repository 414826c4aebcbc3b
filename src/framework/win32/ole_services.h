// The system's OLE and common-control set-up, as the framework's start-up
// services (AfxOleInit, InitCommonControlsEx) perform them on Windows.
#pragma once

#include "framework/afx_types.h"

namespace framework::win32 {

// OleInitialize for this thread, which becomes a single-threaded apartment; it
// is undone when the process exits. Calling it again does nothing more.
// FALSE when the system refused.
BOOL InitializeOle() noexcept;

// The system's InitCommonControlsEx with a descriptor of `size` bytes for the
// classes in `classes` (ICC_WIN95_CLASSES: 0xFF).
BOOL InitializeCommonControls(DWORD size, DWORD classes) noexcept;

}  // namespace framework::win32
