// The MD4 message digest (RFC 1320), which the drawing layer uses as a
// picture's unique id ([MS-ODRAW] 2.2.24: rgbUid1). An identifier only,
// never a safeguard.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace pptfile {

std::array<std::uint8_t, 16> Md4(std::span<const std::uint8_t> data);

}  // namespace pptfile
