// A file open for reading, read piece by piece where it is asked for, so that
// a template's streams go from the file straight into their own buffers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "file_access/descriptor.h"

namespace file_access {

class InputFile {
  public:
    // A file that cannot be read at an offset (a pipe) is read whole at
    // once. Raises IoError with the system's reason.
    explicit InputFile(const std::filesystem::path& path);

    std::uint64_t Size() const noexcept { return size_; }
    const std::filesystem::path& path() const noexcept { return path_; }
    // The open file, or -1 for one that was read whole.
    int fd() const noexcept { return fd_.get(); }
    // Copies the bytes from `at` into `into`, fewer where the file ends; IoError.
    std::size_t ReadAt(std::uint64_t at, std::span<std::uint8_t> into) const;

  private:
    std::filesystem::path path_;
    Fd fd_{-1};                        // a regular file
    std::vector<std::uint8_t> whole_;  // any other file
    std::uint64_t size_ = 0;
};

}  // namespace file_access
