// The viewer control's saved state read back, as a reader of the document
// would: "ZBVS", version 1 and a count (little-endian), then the data path's
// UTF-16LE units. Nothing when the bytes are not such a state.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace test_support {

inline std::optional<std::u16string> ViewerStatePath(std::span<const std::uint8_t> state) {
    std::u16string units;  // the state as little-endian 16-bit units
    for (std::size_t at = 0; at + 1 < state.size(); at += 2) {
        units.push_back(static_cast<char16_t>(state[at] | state[at + 1] << 8));
    }
    if (state.size() % 2 != 0 || units.size() < 5 ||
        !std::ranges::equal(state.first(4), std::string_view("ZBVS")) || units[2] != 1 ||
        units.size() != 5 + (units[3] | std::size_t{units[4]} << 16)) {
        return std::nullopt;
    }
    return units.substr(5);
}

}  // namespace test_support
