#include "app/register_classes.h"

bool RegisterPlatformClasses() {
    // The embedded presentation application ("PowerPoint.Application") and the
    // viewer control ("TRELVO.TrelvoCtrl.1") belong here, registered with
    // automation::ClassRegistry::Instance(). Until they are, a valid request
    // ends with the message that no presentation application is available.
    return true;
}
