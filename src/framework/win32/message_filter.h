// The message filter of the program's OLE apartment. A server that is busy
// (starting, loading add-ins, showing a dialog, saving) turns calls away with
// SERVERCALL_RETRYLATER; the filter has the system try them again for a
// while, without a dialog, instead of letting the call fail at once.
#pragma once

#include "framework/afx_types.h"

namespace framework::win32 {

// The filter's answer to a call that the server turned away with
// `reject_type` (a SERVERCALL_ value) `elapsed` milliseconds after it was
// made: the pause in milliseconds before it is tried again, or -1 (as a
// DWORD) to give up, and the call fails with RPC_E_CALL_REJECTED.
DWORD RetryRejectedCallAfter(DWORD reject_type, DWORD elapsed) noexcept;

// The one filter of the process. It lives as long as the process, so its
// references need no accounting.
IMessageFilter* ProcessMessageFilter() noexcept;

}  // namespace framework::win32
