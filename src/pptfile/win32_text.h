// Text for the Windows API: the file library keeps UTF-8, the system takes
// UTF-16. Windows builds only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pptfile {

// Null when `utf8` is not valid UTF-8.
std::optional<std::wstring> WideFromUtf8(std::string_view utf8);

// Unpaired surrogates become U+FFFD: these texts are only shown or compared.
std::string Utf8FromWide(std::wstring_view wide);

// The system's description of a Win32 error code, without the line break and
// the full stop it ends with ("Access is denied").
std::string SystemErrorText(unsigned long code);

}  // namespace pptfile
