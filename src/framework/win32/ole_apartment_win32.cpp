#include "framework/ole_apartment.h"

#include <cstdlib>

namespace framework {
namespace {

bool g_ole_initialized = false;

void UninitializeOle() {
    if (g_ole_initialized) {
        g_ole_initialized = false;
        ::OleUninitialize();
    }
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
    std::atexit(&UninitializeOle);
    return TRUE;
}

}  // namespace framework
