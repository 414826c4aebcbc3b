// CWinApp, the framework's application object, the run sequence that drives
// it, and the process set-up services that InitInstance calls.
#pragma once

#include "framework/afx_types.h"

// Common-control set-up: the system's on Windows. Elsewhere there are no
// controls to prepare, and the call only checks its descriptor.
#if defined(_WIN32)
#include <commctrl.h>
#else
struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
inline constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;
inline BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
    return controls != nullptr && controls->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}
#endif

// Enters the thread's apartment and registers the classes this process
// serves (framework::SetOleInitHandler); FALSE when either failed.
BOOL AfxOleInit();
// Lets the process host ActiveX controls. Nothing to do without a desktop.
inline void AfxEnableControlContainer(void* /*occ_manager*/ = nullptr) {}

class CWinApp {
  public:
    // The object is the process's application until it is destroyed.
    explicit CWinApp(LPCTSTR app_name = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once; returning FALSE ends the run without a message loop.
    virtual BOOL InitInstance() { return TRUE; }
    // The message loop; without a desktop there is none, so it ends at once.
    virtual int Run() { return ExitInstance(); }
    // Called as the run ends; its result is the process's exit status.
    virtual int ExitInstance() { return 0; }

  protected:
    // The framework's settings, which this program never reads or writes.
    void SetRegistryKey(LPCTSTR /*registry_key*/) {}
    void LoadStdProfileSettings(UINT /*max_mru*/ = 4) {}

    // The default document commands: no document template, nothing to do.
    void OnFileNew() {}
    void OnFileOpen() {}
    void OnFilePrintSetup() {}

  private:
    CWinApp* previous_app_;
};

// Runs the current application (InitInstance, then Run or ExitInstance) and
// returns its exit status; an exception that escapes it is reported in a
// message box and ends the run with status 1 rather than aborting the process.
int AfxWinMain();

namespace framework {

// Makes the calling thread a single-threaded apartment, with a message filter
// that waits for a busy server, until the process exits; FALSE when refused.
// Without COM the servers live in this process and are called from its thread.
#if defined(_WIN32)
BOOL InitializeOleApartment() noexcept;
#else
inline BOOL InitializeOleApartment() noexcept {
    return TRUE;
}
#endif

// What AfxOleInit calls to register the classes the application serves;
// false when registration failed.
using OleInitHandler = bool (*)();
void SetOleInitHandler(OleInitHandler handler) noexcept;

}  // namespace framework
