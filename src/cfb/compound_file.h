// Compound files ([MS-CFB]): a tree of storages and streams. A file that is
// opened keeps its streams' bytes where they are until they are read or
// copied; a tree, made of such streams and of bytes in memory, is written to
// a sink.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cfb/bytes.h"

namespace cfb {

using ClassId = std::array<std::uint8_t, 16>;

class CompoundFile;

// Bytes of a stream of an opened compound file, left where the file keeps them.
struct StoredBytes {
    const CompoundFile* file = nullptr;
    std::uint32_t stream = 0;  // its directory entry
    std::uint64_t offset = 0;  // within the stream
    std::uint64_t length = 0;
};

// Part of a stream: bytes of its own, bytes that someone else keeps until the
// tree is written, or stored bytes.
using Piece = std::variant<std::vector<std::uint8_t>, std::span<const std::uint8_t>, StoredBytes>;

struct StorageEntry {
    std::u16string name;  // as stored: u"PowerPoint Document", u"\x05SummaryInformation"
    bool is_storage = false;
    ClassId clsid{};                     // storages only
    std::vector<Piece> content;          // streams only: their bytes, piece after piece
    std::vector<StorageEntry> children;  // storages only: in name order as read, or as added

    std::uint64_t Size() const noexcept;  // of a stream's content
    // The child of this name, names compared as compound files compare them:
    // unit by unit in Unicode's simple upper case. Null if there is none.
    const StorageEntry* Find(std::u16string_view child) const noexcept;
    StorageEntry* Find(std::u16string_view child) noexcept;
};

std::uint64_t SizeOf(const Piece& piece) noexcept;
std::uint64_t SizeOf(std::span<const Piece> pieces) noexcept;
// `length` bytes of `pieces` from `offset`, as pieces of their own that
// refer to the same bytes; raises FormatError past their end.
std::vector<Piece> Slice(std::span<const Piece> pieces, std::uint64_t offset, std::uint64_t length);
// Copies `into.size()` bytes of `pieces` from `offset` into `into`; raises
// FormatError past their end, or where the source no longer holds them.
void Read(std::span<const Piece> pieces, std::uint64_t offset, std::span<std::uint8_t> into);
// A stream's whole content in memory.
std::vector<std::uint8_t> ReadAll(const StorageEntry& stream);

// A compound file of version 3 or 4, read from a source that must outlive it.
class CompoundFile {
  public:
    // Reads the header, the allocation tables and the directory, and checks
    // every stream's chain before anything is allocated for it. Raises
    // FormatError for a broken structure.
    explicit CompoundFile(const ByteSource& source);
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;
    ~CompoundFile();

    // Every storage and stream; a stream's content is its stored bytes.
    const StorageEntry& root() const noexcept { return root_; }
    const ByteSource& source() const noexcept;

    void Read(const StoredBytes& bytes, std::span<std::uint8_t> into) const;
    // Calls `run(offset, length)` for the runs of the source that hold
    // `bytes`, in order.
    void ForEachRun(const StoredBytes& bytes,
                    const std::function<void(std::uint64_t, std::uint64_t)>& run) const;

  private:
    struct Layout;
    std::unique_ptr<const Layout> layout_;
    StorageEntry root_;
};

// Writes `root` as a version 3 file. Raises FormatError for a name that
// cannot be stored or that a storage holds twice, or a tree too large for a
// compound file.
void WriteCompoundFile(const StorageEntry& root, ByteSink& sink);
std::vector<std::uint8_t> WriteCompoundFile(const StorageEntry& root);

}  // namespace cfb
