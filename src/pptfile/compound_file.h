// Compound files ([MS-CFB]) as a tree held in memory.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pptfile {

using ClassId = std::array<std::uint8_t, 16>;

// Takes a file's bytes piece by piece, in order.
using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

struct StorageEntry {
    std::string name;  // UTF-8, as stored ("PowerPoint Document", "\x05SummaryInformation")
    bool is_storage = false;
    ClassId clsid{};                     // storages only
    std::vector<std::uint8_t> data;      // streams only
    std::vector<StorageEntry> children;  // storages only: as added, or as read in name order
    // Streams to write only: bytes that come before `data`, kept by their
    // owner until the tree is written (a template's stream that a save
    // extends, written out without a copy). The reader leaves it empty.
    std::span<const std::uint8_t> head = {};

    // The direct child with this name (compared as compound files compare
    // names: ignoring case), or null.
    const StorageEntry* Find(std::string_view child) const noexcept;
    StorageEntry* Find(std::string_view child) noexcept;
};

// `read` copies bytes from an offset and returns how many (fewer only at the end).
struct ByteSource {
    std::uint64_t size = 0;
    std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> into)> read;
};
// Bytes in memory as a source; they must outlive it.
ByteSource MemorySource(std::span<const std::uint8_t> bytes);

// Version 3 or 4. Raises FormatError for a broken structure, before allocating for it.
StorageEntry ReadCompoundFile(const ByteSource& source);
StorageEntry ReadCompoundFile(std::span<const std::uint8_t> bytes);

// The same bytes for the same tree. Raises FormatError for a bad or repeated name.
std::vector<std::uint8_t> WriteCompoundFile(const StorageEntry& root);
// The same bytes, handed to `put` in pieces: the streams' own bytes are not
// copied into one buffer for the whole file.
void WriteCompoundFile(const StorageEntry& root, const ByteSink& put);

}  // namespace pptfile
