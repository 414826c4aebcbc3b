// The program's string resources, as the framework finds them by id.
#pragma once

#include <span>

#include "framework/afx_types.h"
#include "framework/cstring.h"

inline constexpr UINT AFX_IDS_APP_TITLE = 57344;

struct StringResource {
    UINT id;
    const char16_t* text;
};

// Makes `table` the program's string table; it must outlive every lookup.
void AfxSetStringTable(std::span<const StringResource> table) noexcept;
// The string with this id, or an empty string when there is none.
CString AfxLoadString(UINT id);
// The application's name: its title string (AFX_IDS_APP_TITLE).
CString AfxGetAppName();
