// The application object: prepares automation and runs the command line once,
// without a window; the exit status tells scripts how the request ended.
#pragma once

#include <optional>

#include "app/register_classes.h"
#include "builder/presentation_builder.h"
#include "framework/afx_types.h"
#include "framework/win_app.h"

enum ExitStatus : int {
    kExitSaved = 0,             // the presentation was saved with the viewer bound
    kExitFailed = 1,            // OLE could not be initialised, or the build failed
    kExitNothingAttempted = 2,  // usage shown or the command line rejected
};

// The exit status for what the command line reported (nothing: no build).
int ExitStatusFor(const std::optional<BuildOutcome>& outcome) noexcept;

class CZbn2PPTApp : public CWinApp {
  public:
    // `register_classes`: what OLE initialisation registers.
    explicit CZbn2PPTApp(framework::OleInitHandler register_classes = &RegisterPlatformClasses);

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Carries out a command of the command map; FALSE for an id not in it.
    BOOL OnCmdMsg(UINT id);

  protected:
    void OnAppAbout();

  private:
    int exit_status_ = kExitNothingAttempted;
};
