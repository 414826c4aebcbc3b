// The entry point: the one application object, and main, which hands the
// arguments to the framework and lets it run the application.
#include <csignal>

#include "app/zbn2ppt_app.h"
#include "framework/arguments.h"
#include "framework/win_app.h"

CZbn2PPTApp theApp;

int main(int argc, char** argv) {
    // A message that cannot be written (standard error a pipe whose reader
    // has gone) and a file that reaches the size limit are failures that the
    // run reports and gets past, not signals that end it unannounced.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    framework::SetArguments(argc, argv);
    return AfxWinMain();
}
