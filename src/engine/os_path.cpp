#include "engine/os_path.h"

#include "automation/text_codec.h"

namespace engine {

std::filesystem::path PathFromBstr(const std::u16string& file_name) {
    return std::filesystem::path(automation::EncodeOsString(file_name));
}

}  // namespace engine
