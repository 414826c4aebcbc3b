// The persisted state of the viewer control: the data path in a small
// versioned binary form of ours.
//
//   offset 0  4 bytes  magic "ZBVS"
//   offset 4  2 bytes  version, little-endian (1)
//   offset 6  4 bytes  number of UTF-16 code units that follow, little-endian
//   offset 10 2 bytes each: the data path, UTF-16LE
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace viewer {

inline constexpr std::uint16_t kStateVersion = 1;
// Longer than any path a system accepts; a larger count is damage, not a path.
inline constexpr std::uint32_t kMaxDataPathUnits = 32767;

std::vector<std::uint8_t> EncodeViewerState(std::u16string_view data_path);

// Raises AutomationError(E_INVALIDARG) describing the first problem: bytes
// missing or left over, a foreign magic, a version of the future, a count
// beyond kMaxDataPathUnits.
std::u16string DecodeViewerState(std::span<const std::uint8_t> state);

}  // namespace viewer
