#include "framework/win_app.h"

#include <exception>
#include <new>

#include "automation/text_codec.h"
#include "framework/cstring.h"
#include "framework/message_box.h"

namespace {

constinit CWinApp* g_app = nullptr;
constinit framework::OleInitHandler g_ole_init_handler = nullptr;

}  // namespace

namespace framework {

void SetOleInitHandler(OleInitHandler handler) noexcept {
    g_ole_init_handler = handler;
}

}  // namespace framework

BOOL AfxOleInit() {
    if (!framework::InitializeOleApartment()) {
        return FALSE;
    }
    // A registration that throws is a failed initialisation like any other:
    // the application reports it in its own words.
    try {
        return g_ole_init_handler == nullptr || g_ole_init_handler() ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

CWinApp::CWinApp(LPCTSTR /*app_name*/) : previous_app_(g_app) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = previous_app_;
    }
}

int AfxWinMain() {
    CWinApp* app = g_app;
    if (app == nullptr) {
        return 1;
    }
    try {
        if (!app->InitInstance()) {
            return app->ExitInstance();
        }
        return app->Run();
    } catch (const std::bad_alloc&) {
        // Unwinding has given back what the failed work held, so the message
        // has room; should it still fail, the status tells what happened.
        try {
            AfxMessageBox(u"not enough memory to build the presentation");
        } catch (...) {
        }
    } catch (const std::exception& error) {
        AfxMessageBox(CString(automation::FromUtf8(error.what())));
    } catch (...) {
        AfxMessageBox(u"An unexpected error ended the program.");
    }
    return 1;
}
