#include "engine/os_path.h"

#include "automation/text_codec.h"

namespace engine {

std::filesystem::path PathFromBstr(const std::u16string& file_name) {
#ifdef _WIN32
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return std::filesystem::path(std::wstring(file_name.begin(), file_name.end()));
#else
    return std::filesystem::path(automation::EncodeOsString(file_name));
#endif
}

}  // namespace engine
