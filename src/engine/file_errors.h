// Tells the file library's failures to the automation client: what went wrong
// reading or writing a presentation file, as an AutomationError.
#pragma once

#include <string>

namespace engine {

enum class FileAccess { kRead, kWrite };

// Call from within a catch block: rethrows the exception being handled as an
// AutomationError. Failures of the file itself (I/O) get the read or write
// fault code, files the library refuses get E_FAIL, and anything else names
// `file_name`. AutomationError and bad_alloc pass unchanged.
[[noreturn]] void RethrowAsAutomationError(FileAccess access, const std::u16string& file_name);

}  // namespace engine
