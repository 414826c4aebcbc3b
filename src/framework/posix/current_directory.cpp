// The current directory on POSIX: getcwd and chdir, the bytes carried through
// UTF-16 reversibly so that a name that is not UTF-8 is set back as it was.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "automation/text_codec.h"
#include "framework/path_services.h"

DWORD GetCurrentDirectoryW(DWORD buffer_length, LPWSTR buffer) {
    // Directories can be deeper than PATH_MAX; grow until getcwd fits, with a
    // ceiling so a broken file system cannot make us allocate without end.
    constexpr std::size_t kCeiling = std::size_t{1} << 20;
    std::string bytes(512, '\0');
    while (::getcwd(bytes.data(), bytes.size()) == nullptr) {
        if (errno != ERANGE || bytes.size() >= kCeiling) {
            return 0;
        }
        bytes.resize(bytes.size() * 2);
    }
    bytes.resize(bytes.find('\0'));
    const std::u16string current = automation::DecodeOsString(bytes);
    if (current.empty()) {  // the ceiling keeps the length within a DWORD
        return 0;
    }
    const auto length = static_cast<DWORD>(current.size());
    if (buffer == nullptr || length >= buffer_length) {
        return length + 1;
    }
    std::copy(current.begin(), current.end(), buffer);
    buffer[length] = u'\0';
    return length;
}

BOOL SetCurrentDirectoryW(LPCWSTR path) {
    const std::string bytes = automation::EncodeOsString(path != nullptr ? path : u"");
    // An embedded zero would make chdir see a different, shorter name.
    if (bytes.empty() || bytes.find('\0') != std::string::npos) {
        return FALSE;
    }
    return ::chdir(bytes.c_str()) == 0 ? TRUE : FALSE;
}
