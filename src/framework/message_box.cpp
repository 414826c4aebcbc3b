#include "framework/message_box.h"

#include "framework/cstring.h"
#include "framework/resources.h"

int AfxMessageBox(LPCTSTR text, UINT type, UINT /*help_context*/) {
    // An OK box that names no icon of its own shows the exclamation mark, as
    // the framework's boxes do.
    if ((type & MB_TYPEMASK) == MB_OK && (type & MB_ICONMASK) == 0) {
        type |= MB_ICONEXCLAMATION;
    }
    return MessageBoxW(nullptr, text, AfxGetAppName(), type);
}

int AfxMessageBox(UINT prompt_id, UINT type, UINT help_context) {
    return AfxMessageBox(AfxLoadString(prompt_id), type, help_context);
}
