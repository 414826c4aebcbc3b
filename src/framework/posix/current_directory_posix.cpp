// The current directory on POSIX: getcwd and chdir, with the directory's bytes
// carried through UTF-16 reversibly so that a name that is not UTF-8 is set
// back exactly as it was read.
#include <unistd.h>

#include <cerrno>
#include <string>

#include "automation/text_codec.h"
#include "framework/path_services.h"

namespace framework {
namespace {

class ProcessCurrentDirectory final : public CurrentDirectoryProvider {
  public:
    std::optional<std::u16string> Get() override {
        // Directories can be deeper than PATH_MAX; grow until getcwd fits, with a
        // ceiling so a broken file system cannot make us allocate without end.
        constexpr std::size_t kCeiling = std::size_t{1} << 20;
        std::string buffer(512, '\0');
        for (;;) {
            if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
                buffer.resize(buffer.find('\0'));
                return automation::DecodeOsString(buffer);
            }
            if (errno != ERANGE || buffer.size() >= kCeiling) {
                return std::nullopt;
            }
            buffer.resize(buffer.size() * 2);
        }
    }

    bool Set(std::u16string_view path) override {
        const std::string bytes = automation::EncodeOsString(path);
        // An embedded zero would make chdir see a different, shorter name.
        if (bytes.empty() || bytes.find('\0') != std::string::npos) {
            return false;
        }
        return ::chdir(bytes.c_str()) == 0;
    }
};

CurrentDirectoryProvider& Active() {
    static ProcessCurrentDirectory process;
    CurrentDirectoryProvider* provider = ScopedCurrentDirectoryProvider::Current();
    return provider != nullptr ? *provider : process;
}

}  // namespace

}  // namespace framework

DWORD GetCurrentDirectoryW(DWORD buffer_length, LPWSTR buffer) {
    return framework::CopyCurrentDirectory(framework::Active(), buffer_length, buffer);
}

BOOL SetCurrentDirectoryW(LPCWSTR path) {
    if (path == nullptr) {
        return FALSE;
    }
    return framework::Active().Set(path) ? TRUE : FALSE;
}
