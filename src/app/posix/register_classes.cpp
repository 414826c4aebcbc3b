#include "app/register_classes.h"

#include "automation/class_registry.h"
#include "engine/application_class.h"
#include "viewer/viewer_control_class.h"

// Without PowerPoint on this platform, the program carries its own presentation
// application and a stand-in for the viewer control. A registration that
// throws fails AfxOleInit, which reports it.
bool RegisterPlatformClasses() {
    auto& registry = automation::ClassRegistry::Instance();
    engine::RegisterApplicationClass(registry);
    viewer::RegisterViewerControlClass(registry);
    return true;
}
