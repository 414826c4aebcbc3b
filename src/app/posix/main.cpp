// The entry point: the one application object, and main, which hands the
// arguments to the framework and lets it run the application.
#include "app/zbn2ppt_app.h"
#include "framework/arguments.h"
#include "framework/win_app.h"

CZbn2PPTApp theApp;

int main(int argc, char** argv) {
    framework::SetArguments(argc, argv);
    return AfxWinMain();
}
