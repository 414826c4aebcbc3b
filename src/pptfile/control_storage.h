// The storage an ActiveX control keeps its state in, as embedded in the
// presentation: a compound file of its own, compressed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pptfile/presentation.h"

namespace pptfile {

// The name a control goes by, as PowerPoint names one: its class's name
// (the middle part of the ProgID) numbered by its object identifier,
// "TrelvoCtrl1" for "TRELVO.TrelvoCtrl.1" and object 1.
std::u16string ControlName(const ControlObject& control, std::uint32_t object_id);

}  // namespace pptfile
