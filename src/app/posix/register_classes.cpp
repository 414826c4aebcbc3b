#include "app/register_classes.h"

#include "automation/class_registry.h"
#include "engine/application_class.h"
#include "viewer/viewer_control_class.h"

// Without PowerPoint here, the program serves its own presentation application
// and viewer control stand-in. A registration that throws fails AfxOleInit.
bool RegisterPlatformClasses() {
    auto& registry = automation::ClassRegistry::Instance();
    engine::RegisterApplicationClass(registry);
    viewer::RegisterViewerControlClass(registry);
    return true;
}
