// The layout of compound files ([MS-CFB] 2.2-2.6) that the reader and the
// writer share: header fields, special sector numbers, directory entries and
// the names of entries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pptfile::cfb {

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

enum EntryType : std::uint8_t { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };
enum Color : std::uint8_t { kRed = 0, kBlack = 1 };

inline std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}
inline std::uint64_t Get64(std::span<const std::uint8_t> b, std::size_t at) {
    return Get32(b, at) | std::uint64_t{Get32(b, at + 4)} << 32;
}
inline void Put16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
inline void Put64(std::span<std::uint8_t> b, std::size_t at, std::uint64_t v) {
    Put32(b, at, static_cast<std::uint32_t>(v));
    Put32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

// Entry names are UTF-16 in the file and UTF-8 in memory. Null when `utf8` is
// not valid UTF-8.
std::optional<std::u16string> NameFromUtf8(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string NameToUtf8(std::u16string_view name);

// The name in upper case, unit by unit by Unicode's simple uppercase mapping
// (surrogates as they are), as [MS-CFB] 2.6.4 compares names to order
// siblings: the shorter first, then by their upper-case units. Names of the
// same upper case are the same name to a compound file.
std::u16string UpperCase(std::u16string_view name);
// Whether two UTF-8 names are one name to a compound file: the same upper
// case as UpperCase gives it. Names that are not valid UTF-8 must be equal.
bool SameName(std::string_view a, std::string_view b) noexcept;

}  // namespace pptfile::cfb
