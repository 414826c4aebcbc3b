#include "pptfile/compression.h"

#include <zlib.h>

#include <limits>
#include <new>

#include "pptfile/errors.h"

namespace pptfile {

std::vector<std::uint8_t> Compress(std::span<const std::uint8_t> bytes) {
    RefuseIf(bytes.size() > std::numeric_limits<uInt>::max() / 2,
             "a part of the presentation is too large to compress");
    std::vector<std::uint8_t> out(compressBound(static_cast<uLong>(bytes.size())));
    // The parts are a few KiB: a small hash table (memory level 2) compresses
    // them as well, without zeroing 64 KiB that a run would fault in.
    z_stream z{};
    int result = deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15, 2, Z_DEFAULT_STRATEGY);
    if (result == Z_OK) {
        z.next_in = const_cast<Bytef*>(bytes.data());  // zlib only reads it
        z.avail_in = static_cast<uInt>(bytes.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        result = deflate(&z, Z_FINISH) == Z_STREAM_END ? Z_OK : Z_BUF_ERROR;
        deflateEnd(&z);
    }
    if (result == Z_MEM_ERROR) {
        throw std::bad_alloc();
    }
    RefuseIf(result != Z_OK, "zlib could not compress a part of the presentation");
    out.resize(z.total_out);
    return out;
}

}  // namespace pptfile
