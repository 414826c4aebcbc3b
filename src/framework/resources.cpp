#include "framework/resources.h"

#include <algorithm>

namespace {
std::span<const StringResource> g_strings;
}

void AfxSetStringTable(std::span<const StringResource> table) noexcept {
    g_strings = table;
}

CString AfxLoadString(UINT id) {
    const auto entry = std::ranges::find(g_strings, id, &StringResource::id);
    return entry != g_strings.end() ? CString(entry->text) : CString();
}

CString AfxGetAppName() {
    return AfxLoadString(AFX_IDS_APP_TITLE);
}
