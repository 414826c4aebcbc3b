// Registers the viewer control stand-in as "TRELVO.TrelvoCtrl.1".
#pragma once

#include "automation/class_registry.h"
#include "automation/clsid.h"

namespace viewer {

// Ours: a document written with it must not claim another vendor's control.
inline constexpr automation::Clsid kViewerControlClsid = automation::Clsid::FromFields(
    0xe971d156, 0x3e55, 0x4dcc, {0x85, 0xa6, 0xce, 0xc2, 0xe7, 0x72, 0x8c, 0x7b});

void RegisterViewerControlClass(automation::ClassRegistry& registry);

// A new control with no data path, holding one reference for the caller.
automation::DispatchPtr CreateViewerControl();

}  // namespace viewer
