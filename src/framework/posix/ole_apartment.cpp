// Without COM there is no apartment to enter: the servers live in this
// process and every call is made from its one thread.
#include "framework/ole_apartment.h"
#include "framework/win_app.h"

namespace framework {

BOOL InitializeOleApartment() noexcept {
    return TRUE;
}

}  // namespace framework

// Nothing draws controls here, so there is nothing to prepare; the call only
// checks its descriptor as the system would.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
    return controls != nullptr && controls->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}
