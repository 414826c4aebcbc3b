#include "pptfile/md4.h"

#include <bit>
#include <vector>

#include "pptfile/compound_file_format.h"

namespace pptfile {

std::array<std::uint8_t, 16> Md4(std::span<const std::uint8_t> data) {
    // The message, a one bit, zeros up to 56 bytes into a block, then its
    // length in bits.
    std::vector<std::uint8_t> m(data.begin(), data.end());
    const std::uint64_t bits = std::uint64_t{data.size()} * 8;
    m.push_back(0x80);
    while (m.size() % 64 != 56) {
        m.push_back(0);
    }
    for (int i = 0; i < 8; ++i) {
        m.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }

    std::uint32_t h[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
    constexpr int kShift[3][4] = {{3, 7, 11, 19}, {3, 5, 9, 13}, {3, 9, 11, 15}};
    for (std::size_t block = 0; block < m.size(); block += 64) {
        std::uint32_t x[16];
        for (std::size_t i = 0; i < 16; ++i) {
            x[i] = cfb::Get32(m, block + 4 * i);
        }
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int round = 0; round < 3; ++round) {
            for (unsigned i = 0; i < 16; ++i) {
                std::uint32_t f = 0;
                unsigned k = i;
                if (round == 0) {
                    f = (b & c) | (~b & d);
                } else if (round == 1) {
                    f = ((b & c) | (b & d) | (c & d)) + 0x5A827999;
                    k = (i % 4) * 4 + i / 4;
                } else {
                    f = (b ^ c ^ d) + 0x6ED9EBA1;
                    // The words in bit-reversed order: 0, 8, 4, 12, 2, ...
                    k = ((i & 1) << 3) | ((i & 2) << 1) | ((i & 4) >> 1) | ((i & 8) >> 3);
                }
                const std::uint32_t t = std::rotl(a + f + x[k], kShift[round][i % 4]);
                a = d;
                d = c;
                c = b;
                b = t;
            }
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
    std::array<std::uint8_t, 16> digest{};
    for (std::size_t i = 0; i < 16; ++i) {
        digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (8 * (i % 4)));
    }
    return digest;
}

}  // namespace pptfile
