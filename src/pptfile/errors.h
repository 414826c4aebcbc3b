// The error of the file format layers. Its messages are written for a person:
// "the template is encrypted".
#pragma once

#include "cfb/bytes.h"

namespace pptfile {

// The bytes are not a file of the expected kind, or are damaged; or what was
// asked for cannot be saved.
using FormatError = cfb::FormatError;
using cfb::RefuseIf;

}  // namespace pptfile
