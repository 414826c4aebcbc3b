// The error of the file format layer. Its messages are written for a person:
// "the template is encrypted".
#pragma once

#include <stdexcept>

namespace pptfile {

// The bytes are not a file of the expected kind, or are damaged.
class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace pptfile
