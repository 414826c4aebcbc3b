// The About box, built on dialog template IDD_ABOUTBOX. Without a desktop
// there is nothing to show it on, and DoModal says so.
#pragma once

#include "app/resources.h"
#include "framework/afx_types.h"

class CAboutDlg {
  public:
    enum { IDD = IDD_ABOUTBOX };

    explicit CAboutDlg(HWND parent = nullptr) : parent_(parent) {}

    // Runs the box modally: the id of the button that closed it, or -1 when
    // the box could not be created.
    int DoModal();

    const DialogTemplate& Template() const noexcept { return AboutBoxTemplate(); }
    HWND Parent() const noexcept { return parent_; }

  private:
    HWND parent_;
};
