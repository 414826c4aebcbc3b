#include "framework/win_app.h"

#include <exception>
#include <new>

#include "automation/automation_error.h"
#include "automation/text_codec.h"
#include "framework/cstring.h"
#include "framework/message_box.h"
#include "framework/ole_apartment.h"

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
    if (g_ole_init_handler == nullptr) {
        return TRUE;
    }
    // A registration that throws is a failed initialisation like any other:
    // the application reports it in its own words.
    try {
        return g_ole_init_handler() ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

void AfxEnableControlContainer(void* /*occ_manager*/) {}

CWinApp::CWinApp(LPCTSTR app_name) : m_pszAppName(app_name), previous_app_(g_app) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = previous_app_;
    }
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::Run() {
    return ExitInstance();
}

int CWinApp::ExitInstance() {
    return 0;
}

void CWinApp::SetRegistryKey(LPCTSTR registry_key) {
    m_pszRegistryKey = registry_key;
}

void CWinApp::LoadStdProfileSettings(UINT max_mru) {
    m_nMaxMru = max_mru;
}

void CWinApp::OnFileNew() {}

void CWinApp::OnFileOpen() {}

void CWinApp::OnFilePrintSetup() {}

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
