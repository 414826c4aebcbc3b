// The all-or-nothing save: the new bytes go to a file with no name (or a
// hidden temporary one) beside the target, which is renamed into place once it
// is complete; symbolic links are followed, and SIGINT, SIGTERM or SIGHUP
// during the save leave no temporary file behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

namespace file_access {

// Takes the file's bytes piece by piece, in order.
using Sink = std::function<void(std::span<const std::uint8_t>)>;

// Writes what `write` hands to its sink to a temporary file beside `target`
// and renames it into place: `target` holds either its old content or all of
// the new bytes. Refuses a target that exists and is not a regular file.
// Raises IoError ("cannot write <path>: <reason>") and leaves no temporary
// file behind.
void WriteFileAtomically(const std::filesystem::path& target,
                         const std::function<void(const Sink&)>& write);

}  // namespace file_access
