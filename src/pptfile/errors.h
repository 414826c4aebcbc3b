// The error of the file format layers. Its messages are written for a person:
// "the template is encrypted".
#pragma once

#include "cfb/bytes.h"

namespace pptfile {

// The bytes are not a file of the expected kind, or are damaged; or what was
// asked for cannot be saved.
using FormatError = cfb::FormatError;

// Raises FormatError(what) where `refused`.
inline void RefuseIf(bool refused, const char* what) {
    if (refused) {
        throw FormatError(what);
    }
}

}  // namespace pptfile
