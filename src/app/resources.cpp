#include "app/resources.h"

namespace {

constexpr StringResource kStrings[] = {
    {IDP_OLE_INIT_FAILED,
     u"OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    {AFX_IDS_APP_TITLE, u"Zbn2PPT"},
};

constexpr DialogControl kAboutControls[] = {
    {DialogControlKind::kIcon, u"", IDR_MAINFRAME, IDC_STATIC, 11, 17, 20, 20, SS_ICON},
    {DialogControlKind::kStaticText, u"Zbn2PPT Version 1.0", 0, IDC_STATIC, 40, 10, 119, 8,
     SS_NOPREFIX | WS_GROUP},
    {DialogControlKind::kStaticText, u"Copyright (C) 2010", 0, IDC_STATIC, 40, 25, 119, 8, 0},
    {DialogControlKind::kPushButton, u"OK", 0, IDOK, 178, 7, 50, 16,
     BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP},
};

constexpr DialogTemplate kAboutBox = {
    IDD_ABOUTBOX,
    u"About Zbn2PPT",
    u"MS Shell Dlg",
    8,
    235,
    55,
    DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    kAboutControls,
};

constexpr CommandEntry kCommands[] = {
    {ID_APP_ABOUT, "ID_APP_ABOUT", CommandHandler::kAppAbout},
    {ID_FILE_NEW, "ID_FILE_NEW", CommandHandler::kFileNew},
    {ID_FILE_OPEN, "ID_FILE_OPEN", CommandHandler::kFileOpen},
    {ID_FILE_PRINT_SETUP, "ID_FILE_PRINT_SETUP", CommandHandler::kFilePrintSetup},
};

constexpr VersionString kVersionStrings[] = {
    {u"Comments", u"32 Bit; Beta Demo."},      {u"FileVersion", u"1, 0, 110, 503"},
    {u"InternalName", u"Zbn2PPT.exe"},         {u"OriginalFilename", u"Zbn2PPT.exe"},
    {u"ProductVersion", u"2010, 1, 110, 503"},
};

constexpr VersionInfo kVersion = {
    {1, 0, 110, 503},
    {2010, 1, 110, 503},
    u"040904e4",
    kVersionStrings,
};

}  // namespace

std::span<const StringResource> StringTable() noexcept {
    return kStrings;
}

const DialogTemplate& AboutBoxTemplate() noexcept {
    return kAboutBox;
}

std::span<const CommandEntry> CommandMap() noexcept {
    return kCommands;
}

const VersionInfo& VersionBlock() noexcept {
    return kVersion;
}
