#include "pptfile/compression.h"

#include <zlib.h>

#include <limits>
#include <new>

#include "pptfile/errors.h"

namespace pptfile {

std::vector<std::uint8_t> Compress(std::span<const std::uint8_t> bytes) {
    RefuseIf(bytes.size() > std::numeric_limits<uLong>::max() / 2,
             "a part of the presentation is too large to compress");
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<std::uint8_t> out(size);
    const int result = compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()),
                                 Z_BEST_COMPRESSION);
    if (result == Z_MEM_ERROR) {
        throw std::bad_alloc();
    }
    RefuseIf(result != Z_OK, "zlib could not compress a part of the presentation");
    out.resize(size);
    return out;
}

}  // namespace pptfile
