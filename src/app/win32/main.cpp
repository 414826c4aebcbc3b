// The entry point of Zbn2PPT.exe: the one application object, and the wide
// WinMain, which lets the framework run it. The C runtime has filled the wide
// argument vector (__argc, __wargv) before it is called.
#include "app/zbn2ppt_app.h"
#include "framework/win_app.h"

CZbn2PPTApp theApp;

extern "C" int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/,
                               LPWSTR /*command_line*/, int /*show*/) {
    return AfxWinMain();
}
