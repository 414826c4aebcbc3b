// The entry point of Zbn2PPT.exe: the one application object, and the wide
// WinMain, called once the C runtime has filled __argc and __wargv.
#include "app/zbn2ppt_app.h"
#include "framework/win_app.h"

CZbn2PPTApp theApp;

extern "C" int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/,
                               LPWSTR /*command_line*/, int /*show*/) {
    return AfxWinMain();
}
