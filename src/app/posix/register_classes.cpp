#include "app/register_classes.h"

#include <exception>

#include "automation/class_registry.h"
#include "engine/application_class.h"
#include "viewer/viewer_control_class.h"

bool RegisterPlatformClasses() {
    // Without PowerPoint on this platform, the program carries its own
    // presentation application and a stand-in for the viewer control.
    try {
        auto& registry = automation::ClassRegistry::Instance();
        engine::RegisterApplicationClass(registry);
        viewer::RegisterViewerControlClass(registry);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
