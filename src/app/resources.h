// The program's string table as data. Windows builds compile it from
// win32/zbn2ppt.rc as well, with the About box, icon, version and manifest.
#pragma once

#include <span>

#include "framework/afx_types.h"
#include "framework/resources.h"

// Resource and command identifiers.
inline constexpr UINT IDP_OLE_INIT_FAILED = 100;
inline constexpr UINT IDD_ABOUTBOX = 100;
inline constexpr UINT ID_FILE_NEW = 57600;
inline constexpr UINT ID_FILE_OPEN = 57601;
inline constexpr UINT ID_FILE_PRINT_SETUP = 57606;
inline constexpr UINT ID_APP_ABOUT = 57664;

// The string table (language 1033), for AfxSetStringTable.
std::span<const StringResource> StringTable() noexcept;
