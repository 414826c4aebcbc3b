#include "framework/win32/ole_services.h"

#include <commctrl.h>

#include <cstdlib>

namespace framework::win32 {
namespace {

bool g_ole_initialized = false;

void UninitializeOle() {
    if (g_ole_initialized) {
        g_ole_initialized = false;
        ::OleUninitialize();
    }
}

}  // namespace

BOOL InitializeOle() noexcept {
    if (g_ole_initialized) {
        return TRUE;
    }
    // S_FALSE: already initialised on this thread, which still needs its
    // matching OleUninitialize.
    if (FAILED(::OleInitialize(nullptr))) {
        return FALSE;
    }
    g_ole_initialized = true;
    std::atexit(&UninitializeOle);
    return TRUE;
}

BOOL InitializeCommonControls(DWORD size, DWORD classes) noexcept {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = size;
    controls.dwICC = classes;
    return ::InitCommonControlsEx(&controls);
}

}  // namespace framework::win32
