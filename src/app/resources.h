// The resources of the program as data: its strings, the About box template,
// the command map and the version block. Windows builds compile the same
// values from the resource script.
#pragma once

#include <span>

#include "framework/afx_types.h"
#include "framework/resources.h"

// Resource and command identifiers.
inline constexpr UINT IDP_OLE_INIT_FAILED = 100;
inline constexpr UINT IDD_ABOUTBOX = 100;
inline constexpr UINT IDR_MAINFRAME = 128;
inline constexpr UINT ID_FILE_NEW = 57600;
inline constexpr UINT ID_FILE_OPEN = 57601;
inline constexpr UINT ID_FILE_PRINT_SETUP = 57606;
inline constexpr UINT ID_APP_ABOUT = 57664;
inline constexpr int IDC_STATIC = -1;

#if !defined(_WIN32)
// Window and control styles used by the About box.
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD DS_MODALFRAME = 0x0080;
inline constexpr DWORD DS_SHELLFONT = 0x0048;  // DS_SETFONT | DS_FIXEDSYS
inline constexpr DWORD SS_ICON = 0x0003;
inline constexpr DWORD SS_NOPREFIX = 0x0080;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
#endif

// The string table (language 1033), for AfxSetStringTable.
std::span<const StringResource> StringTable() noexcept;

// A dialog template: positions and sizes in dialog units.
enum class DialogControlKind { kIcon, kStaticText, kPushButton };
struct DialogControl {
    DialogControlKind kind;
    const char16_t* text;  // for an icon, empty: `resource` names it
    UINT resource;
    int id;
    short x, y, cx, cy;
    DWORD style;
};
struct DialogTemplate {
    UINT id;
    const char16_t* caption;
    const char16_t* font_name;
    WORD point_size;
    short cx, cy;
    DWORD style;
    std::span<const DialogControl> controls;  // in tab order
};
const DialogTemplate& AboutBoxTemplate() noexcept;

// The application's command map, in the order the commands are looked up.
enum class CommandHandler { kAppAbout, kFileNew, kFileOpen, kFilePrintSetup };
struct CommandEntry {
    UINT id;
    const char* framework_name;
    CommandHandler handler;
};
std::span<const CommandEntry> CommandMap() noexcept;

// The version block.
struct VersionString {
    const char16_t* name;
    const char16_t* value;
};
struct VersionInfo {
    WORD file_version[4];
    WORD product_version[4];
    const char16_t* string_block;  // language and code page, as hex digits
    std::span<const VersionString> strings;
};
const VersionInfo& VersionBlock() noexcept;
