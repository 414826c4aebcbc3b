// On Windows the system keeps the classes: PowerPoint and the viewer control
// register themselves when they are installed, and the embedded stand-ins are
// not offered. What OLE initialisation does here is set up the thread's
// apartment.
#include "app/register_classes.h"
#include "framework/win32/ole_services.h"

bool RegisterPlatformClasses() {
    return framework::win32::InitializeOle() != FALSE;
}
