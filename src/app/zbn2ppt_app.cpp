#include "app/zbn2ppt_app.h"

#include "app/about_dlg.h"
#include "app/resources.h"
#include "cmdline/command_line.h"
#include "framework/message_box.h"
#include "framework/resources.h"

int ExitStatusFor(const std::optional<BuildOutcome>& outcome) noexcept {
    if (!outcome.has_value()) {
        return kExitNothingAttempted;
    }
    return *outcome == BuildOutcome::kSavedWithViewer ? kExitSaved : kExitFailed;
}

CZbn2PPTApp::CZbn2PPTApp(framework::OleInitHandler register_classes) {
    // The resources travel with the application object, as they would in
    // its executable, so they are in place before anything is shown.
    AfxSetStringTable(StringTable());
    framework::SetOleInitHandler(register_classes);
}

BOOL CZbn2PPTApp::InitInstance() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    CWinApp::InitInstance();

    if (!AfxOleInit()) {
        AfxMessageBox(IDP_OLE_INIT_FAILED, MB_OK, static_cast<UINT>(-1));
        exit_status_ = kExitFailed;
        return FALSE;
    }

    AfxEnableControlContainer();
    SetRegistryKey(u"Local AppWizard-Generated Applications");
    LoadStdProfileSettings(4);

    exit_status_ = ExitStatusFor(ProcessCommandLine());

    // No main window and no message loop: the run ends here.
    return FALSE;
}

int CZbn2PPTApp::ExitInstance() {
    CWinApp::ExitInstance();
    return exit_status_;
}

BOOL CZbn2PPTApp::OnCmdMsg(UINT id) {
    switch (id) {
        case ID_APP_ABOUT:
            OnAppAbout();
            return TRUE;
        case ID_FILE_NEW:
            OnFileNew();
            return TRUE;
        case ID_FILE_OPEN:
            OnFileOpen();
            return TRUE;
        case ID_FILE_PRINT_SETUP:
            OnFilePrintSetup();
            return TRUE;
        default:
            return FALSE;
    }
}

void CZbn2PPTApp::OnAppAbout() {
    CAboutDlg about_dlg;
    about_dlg.DoModal();
}
