// What every test may use: the folder of test files, a namer of cases, and
// a temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

namespace test_support {

// tests/data: the corpus of files PowerPoint and others wrote, with its notice.
inline const std::filesystem::path kTestData =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "data";

// A case's `name` as a test's name: letters and digits, the rest as '_'.
struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& param) const {
        std::string name = param.param.name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c & 0xFF); }, '_');
        return name;
    }
};

// A fresh folder under the system's temporary folder, named after `prefix`,
// removed with everything in it when the object goes.
class TempFolder {
  public:
    explicit TempFolder(std::string_view prefix,
                        const std::filesystem::path& in = std::filesystem::temp_directory_path())
        : path_(in / (std::string(prefix) + "-XXXXXX")) {
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
