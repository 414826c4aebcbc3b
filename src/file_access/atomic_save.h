// The all-or-nothing save of a file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

#include "file_access/input_file.h"

namespace file_access {

// The new file, written in order. Raises IoError ("cannot write <path>: <reason>").
class OutputFile {
  public:
    OutputFile(int fd, const std::filesystem::path& target) noexcept : fd_(fd), target_(target) {}

    void Write(std::span<const std::uint8_t> bytes);
    // Appends `length` bytes of `from` at `offset`, copied file to file by the
    // system where it can. Raises IoError for `from` too, also if it is shorter.
    void CopyFrom(const InputFile& from, std::uint64_t offset, std::uint64_t length);

  private:
    int fd_;
    const std::filesystem::path& target_;
    bool kernel_copies_ = true;  // until the kernel says it cannot copy between the files
};

// Writes what `write` writes to a file with no name (or a hidden temporary
// one) beside `target`, or what its symbolic links name, and renames it into
// place once complete: `target` holds its old content or all of the new bytes.
// Refuses a target that is not a regular file. Raises IoError and leaves no
// temporary file behind, also when SIGINT, SIGTERM or SIGHUP ends the save.
void WriteFileAtomically(const std::filesystem::path& target,
                         const std::function<void(OutputFile&)>& write);

}  // namespace file_access
