#include "framework/resources.h"

namespace {
std::span<const StringResource> g_strings;
}

void AfxSetStringTable(std::span<const StringResource> table) noexcept {
    g_strings = table;
}

CString AfxLoadString(UINT id) {
    for (const StringResource& entry : g_strings) {
        if (entry.id == id) {
            return CString(entry.text);
        }
    }
    return CString();
}

CString AfxGetAppName() {
    return AfxLoadString(AFX_IDS_APP_TITLE);
}
