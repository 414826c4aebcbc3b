// Whole-file reads and all-or-nothing writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

#include "pptfile/compound_file.h"

namespace pptfile {

// Raises IoError with the system's reason.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// A file open for reading as a ByteSource, read piece by piece where it was
// asked for, so that a compound file's streams go from the file straight into
// their own buffers. A file that cannot be read at an offset (a pipe) is read
// whole at once. Raises IoError with the system's reason.
class InputFile {
  public:
    explicit InputFile(const std::filesystem::path& path);
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    const ByteSource& Source() const noexcept { return source_; }

  private:
    int fd_ = -1;                      // a regular file on POSIX systems
    std::vector<std::uint8_t> whole_;  // any other file
    ByteSource source_;
};

// Writes what `write` hands to its sink to a temporary file beside `target`
// and renames it into place: `target` holds either its old content or all of
// the new bytes. Refuses a target that exists and is not a regular file. Raises IoError
// ("cannot write <path>: <reason>") and leaves no temporary file behind.
void WriteFileAtomically(const std::filesystem::path& target,
                         const std::function<void(const ByteSink&)>& write);
// The same for bytes already in memory.
inline void WriteFileAtomically(const std::filesystem::path& target,
                                std::span<const std::uint8_t> bytes) {
    WriteFileAtomically(target, [bytes](const ByteSink& put) { put(bytes); });
}

}  // namespace pptfile
