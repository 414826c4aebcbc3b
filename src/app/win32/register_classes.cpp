// On Windows the system keeps the classes: PowerPoint and the viewer control
// register themselves when they are installed, and the embedded stand-ins are
// not offered.
#include "app/register_classes.h"

bool RegisterPlatformClasses() {
    return true;
}
