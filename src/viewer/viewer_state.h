// The viewer control's persisted state, the data path in a binary form of ours:
//   offset 0  4 bytes  magic "ZBVS"
//   offset 4  2 bytes  version, little-endian (1)
//   offset 6  4 bytes  number of UTF-16 code units that follow, little-endian
//   offset 10 2 bytes each: the data path, UTF-16LE
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace viewer {

inline constexpr std::uint16_t kStateVersion = 1;
// Longer than any path a system accepts.
inline constexpr std::uint32_t kMaxDataPathUnits = 32767;

// `data_path` holds at most kMaxDataPathUnits: the control takes no longer one.
std::vector<std::uint8_t> EncodeViewerState(std::u16string_view data_path);

}  // namespace viewer
