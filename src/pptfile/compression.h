// zlib compression for the parts of a file that are stored compressed: a
// control's storage and a preview picture.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pptfile {

// `bytes` compressed. Raises std::bad_alloc when memory runs out (in zlib
// too) and FormatError for input too large to compress.
std::vector<std::uint8_t> Compress(std::span<const std::uint8_t> bytes);

}  // namespace pptfile
