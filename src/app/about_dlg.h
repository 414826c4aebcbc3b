// The About box, built on dialog template IDD_ABOUTBOX. Without a desktop
// there is nothing to show it on, and DoModal says so.
#pragma once

#include "app/resources.h"

class CAboutDlg {
  public:
    enum { IDD = IDD_ABOUTBOX };

    // Runs the box modally: the id of the button that closed it, or -1 when
    // the box could not be created.
    int DoModal() { return -1; }
};
