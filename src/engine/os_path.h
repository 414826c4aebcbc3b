// File names as the automation client passes them (BSTR text) turned into the
// system's paths.
#pragma once

#include <filesystem>
#include <string>

namespace engine {

// The text becomes the bytes it was decoded from (undecodable bytes come
// back as they were).
std::filesystem::path PathFromBstr(const std::u16string& file_name);

}  // namespace engine
