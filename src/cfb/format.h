// The layout of compound files ([MS-CFB] 2.2-2.6) that the reader and the writer share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "cfb/compound_file.h"

namespace cfb {

inline constexpr std::array<std::uint8_t, 8> kSignature{0xD0, 0xCF, 0x11, 0xE0,
                                                        0xA1, 0xB1, 0x1A, 0xE1};

// Sector numbers above kMaxRegularSector are marks ([MS-CFB] 2.1).
inline constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

inline constexpr std::size_t kHeaderSize = 512;
inline constexpr std::size_t kHeaderDifatEntries = 109;
inline constexpr std::size_t kEntrySize = 128;
inline constexpr std::size_t kMiniSectorSize = 64;
inline constexpr std::uint32_t kMiniStreamCutoff = 4096;
inline constexpr std::size_t kMaxNameUnits = 31;
// Far deeper than any real file nests storages. The tree in memory is freed
// and compared recursively, so a crafted file must not nest without end.
inline constexpr int kMaxDepth = 32;

// [MS-CFB] 2.2, offsets in the header.
inline constexpr std::size_t kMinorVersionAt = 0x18;
inline constexpr std::size_t kMajorVersionAt = 0x1A;
inline constexpr std::size_t kByteOrderAt = 0x1C;
inline constexpr std::size_t kSectorShiftAt = 0x1E;
inline constexpr std::size_t kMiniSectorShiftAt = 0x20;
inline constexpr std::size_t kFatSectorsAt = 0x2C;
inline constexpr std::size_t kFirstDirectorySectorAt = 0x30;
inline constexpr std::size_t kMiniStreamCutoffAt = 0x38;
inline constexpr std::size_t kFirstMiniFatSectorAt = 0x3C;
inline constexpr std::size_t kMiniFatSectorsAt = 0x40;
inline constexpr std::size_t kFirstDifatSectorAt = 0x44;
inline constexpr std::size_t kDifatSectorsAt = 0x48;
inline constexpr std::size_t kDifatAt = 0x4C;

// [MS-CFB] 2.6.1, offsets in a directory entry.
inline constexpr std::size_t kNameLengthAt = 0x40;
inline constexpr std::size_t kTypeAt = 0x42;
inline constexpr std::size_t kColorAt = 0x43;
inline constexpr std::size_t kLeftAt = 0x44;
inline constexpr std::size_t kRightAt = 0x48;
inline constexpr std::size_t kChildAt = 0x4C;
inline constexpr std::size_t kClassIdAt = 0x50;
inline constexpr std::size_t kStartAt = 0x74;
inline constexpr std::size_t kSizeAt = 0x78;

enum EntryType : std::uint8_t { kStorage = 1, kStream = 2, kRoot = 5 };
enum Color : std::uint8_t { kRed = 0, kBlack = 1 };

inline std::size_t CeilDiv(std::uint64_t n, std::size_t d) {
    return static_cast<std::size_t>((n + d - 1) / d);
}

// The bytes of a piece that is not stored.
inline std::span<const std::uint8_t> InMemory(const Piece& piece) {
    if (const auto* owned = std::get_if<std::vector<std::uint8_t>>(&piece)) {
        return *owned;
    }
    return std::get<std::span<const std::uint8_t>>(piece);
}

// The name in upper case, unit by unit by Unicode's simple uppercase mapping
// (surrogates as they are), as [MS-CFB] 2.6.4 compares names to order
// siblings: the shorter first, then by their upper-case units. Names of the
// same upper case are the same name to a compound file.
std::u16string UpperCase(std::u16string_view name);
bool SameName(std::u16string_view a, std::u16string_view b) noexcept;
// A name for a message: printable ASCII as it is, other units as \uXXXX.
std::string Printable(std::u16string_view name);

}  // namespace cfb
