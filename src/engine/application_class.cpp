#include "engine/application_class.h"

#include <memory>

#include "engine/application_object.h"

namespace engine {

automation::DispatchPtr CreateApplication() {
    return automation::MakeRef<ApplicationObject>(std::make_shared<ApplicationState>());
}

void RegisterApplicationClass(automation::ClassRegistry& registry) {
    registry.Register({u"PowerPoint.Application", kApplicationClsid, &CreateApplication, false});
}

}  // namespace engine
