#include "framework/ole_apartment.h"

#include <cstdlib>

#include "framework/win32/message_filter.h"

namespace framework {
namespace {

bool g_ole_initialized = false;
IMessageFilter* g_previous_filter = nullptr;

// Run at exit once the apartment was entered. The filter goes before the
// apartment; whatever was there before comes back.
void TerminateOleApartment() noexcept {
    IMessageFilter* ours = nullptr;
    if (SUCCEEDED(::CoRegisterMessageFilter(g_previous_filter, &ours)) && ours != nullptr) {
        ours->Release();
    }
    if (g_previous_filter != nullptr) {
        g_previous_filter->Release();
        g_previous_filter = nullptr;
    }
    ::OleUninitialize();
}

}  // namespace

BOOL InitializeOleApartment() noexcept {
    if (g_ole_initialized) {
        return TRUE;
    }
    // S_FALSE: already initialised on this thread, which still needs its
    // matching OleUninitialize.
    if (FAILED(::OleInitialize(nullptr))) {
        return FALSE;
    }
    g_ole_initialized = true;
    // Without the filter, a busy server would fail the call at once. The
    // apartment works without it, so a refusal is not a failure of OLE.
    if (FAILED(::CoRegisterMessageFilter(win32::ProcessMessageFilter(), &g_previous_filter))) {
        g_previous_filter = nullptr;
    }
    static const bool registered = std::atexit(&TerminateOleApartment) == 0;
    static_cast<void>(registered);
    return TRUE;
}

}  // namespace framework
