// The one error type of the automation protocol: a status code and a
// description that a person can act on.
#pragma once

#include <stdexcept>
#include <string>

#include "automation/types.h"

namespace automation {

class AutomationError : public std::runtime_error {
  public:
    // `description` is UTF-8 text, shown to the user as it stands.
    AutomationError(HRESULT code, const std::string& description)
        : std::runtime_error(description), code_(code) {}

    HRESULT code() const noexcept { return code_; }
    const char* description() const noexcept { return what(); }

  private:
    HRESULT code_;
};

}  // namespace automation
