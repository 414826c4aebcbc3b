#include "viewer/viewer_control_class.h"

#include "viewer/viewer_control.h"

namespace viewer {

automation::DispatchPtr CreateViewerControl() {
    return automation::MakeRef<ViewerControl>();
}

void RegisterViewerControlClass(automation::ClassRegistry& registry) {
    registry.Register({u"TRELVO.TrelvoCtrl.1", kViewerControlClsid, &CreateViewerControl, true});
}

}  // namespace viewer
