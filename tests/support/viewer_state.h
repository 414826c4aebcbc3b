// The viewer control's saved state read back, as a reader of the document
// would: "ZBVS", version 1 and a count (little-endian), then the data path's
// UTF-16LE units. Nothing when the bytes are not such a state.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace test_support {

inline std::optional<std::u16string> ViewerStatePath(std::span<const std::uint8_t> state) {
    const auto u16 = [&](std::size_t at) {
        return static_cast<char16_t>(state[at] | state[at + 1] << 8);
    };
    if (state.size() < 10 ||
        std::u16string_view(u"ZBVS") != std::u16string{state[0], state[1], state[2], state[3]} ||
        u16(4) != 1) {
        return std::nullopt;
    }
    const std::size_t units = u16(6) | std::size_t{u16(8)} << 16;
    if (state.size() != 10 + 2 * units) {
        return std::nullopt;
    }
    std::u16string path;
    for (std::size_t at = 10; at < state.size(); at += 2) {
        path.push_back(u16(at));
    }
    return path;
}

}  // namespace test_support
