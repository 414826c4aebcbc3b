// The thread's automation apartment, which AfxOleInit prepares before the
// process's own classes are registered.
#pragma once

#include "framework/afx_types.h"

namespace framework {

// Makes the calling thread a single-threaded apartment (undone when the
// process exits). Calling it again does nothing more. FALSE when refused.
BOOL InitializeOleApartment() noexcept;

}  // namespace framework
