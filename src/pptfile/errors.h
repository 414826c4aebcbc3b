// The errors of the file layer. Their messages are written for a person:
// "the template is encrypted", "cannot write out.ppt: Permission denied".
#pragma once

#include <stdexcept>

namespace pptfile {

// The bytes are not a file of the expected kind, or are damaged.
class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The system refused to read or write a file.
class IoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace pptfile
