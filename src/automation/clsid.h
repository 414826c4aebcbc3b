// A class identifier: the 16 bytes of a GUID in their stored (little-endian
// fields) order, as compound files and the registry keep them.
#pragma once

#include <algorithm>
#include <array>
#include <compare>
#include <cstdint>
#include <cstdio>
#include <string>

namespace automation {

struct Clsid {
    std::array<std::uint8_t, 16> bytes{};

    // Builds a CLSID from its textual fields {d1-d2-d3-d4[0..1]-d4[2..7]}.
    static constexpr Clsid FromFields(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3,
                                      std::array<std::uint8_t, 8> d4) {
        Clsid id;
        for (std::size_t i = 0; i < 4; ++i) {
            id.bytes[i] = static_cast<std::uint8_t>(d1 >> (8 * i));
        }
        id.bytes[4] = static_cast<std::uint8_t>(d2);
        id.bytes[5] = static_cast<std::uint8_t>(d2 >> 8);
        id.bytes[6] = static_cast<std::uint8_t>(d3);
        id.bytes[7] = static_cast<std::uint8_t>(d3 >> 8);
        std::ranges::copy(d4, id.bytes.begin() + 8);
        return id;
    }

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry writes it.
    std::string ToString() const {
        const auto& b = bytes;
        char text[39];
        std::snprintf(text, sizeof text,
                      "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                      b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11],
                      b[12], b[13], b[14], b[15]);
        return text;
    }

    friend constexpr auto operator<=>(const Clsid&, const Clsid&) = default;
};

}  // namespace automation
