// On Windows PowerPoint and the viewer control register themselves when they
// are installed; the embedded stand-ins are not offered.
#include "app/register_classes.h"

bool RegisterPlatformClasses() {
    return true;
}
