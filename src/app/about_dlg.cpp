#include "app/about_dlg.h"

// No window system is available to this build, so the box cannot be created.
int CAboutDlg::DoModal() {
    return -1;
}
