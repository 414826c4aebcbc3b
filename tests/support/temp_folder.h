// A fresh folder under the system's temporary folder, named after `prefix`,
// removed with everything in it when the object goes.
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

namespace test_support {

class TempFolder {
  public:
    explicit TempFolder(std::string_view prefix)
        : path_((std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX"))) {
        std::string pattern = path_.string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const noexcept { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace test_support
