// A regular file open for reading, read piece by piece where it is asked
// for, or copied from file to file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "file_access/descriptor.h"

namespace file_access {

class InputFile {
  public:
    // Raises IoError with the system's reason, or for a file that is not
    // regular.
    explicit InputFile(const std::filesystem::path& path);

    std::uint64_t Size() const noexcept { return size_; }
    const std::filesystem::path& path() const noexcept { return path_; }
    int fd() const noexcept { return fd_.get(); }
    // Copies the bytes from `at` into `into`, fewer where the file ends; IoError.
    std::size_t ReadAt(std::uint64_t at, std::span<std::uint8_t> into) const;

  private:
    std::filesystem::path path_;
    Fd fd_{-1};
    std::uint64_t size_ = 0;
};

}  // namespace file_access
