// Compound files ([MS-CFB]) as a tree held in memory: storages with children,
// streams with their bytes. The same code of ours reads and writes them on
// every platform.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
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

    // The direct child with this name (compared as compound files compare
    // names: ignoring case), or null.
    const StorageEntry* Find(std::string_view child) const noexcept;
    StorageEntry* Find(std::string_view child) noexcept;
};

// Reads a whole compound file, of version 3 or 4. Raises FormatError for bytes
// that are not one or whose structure is broken (sector chains out of range or
// in a loop, sizes beyond the file, ...), before allocating for them.
StorageEntry ReadCompoundFile(std::span<const std::uint8_t> bytes);

// Writes `root`'s children (and its class id) as a version 3 compound file, the
// same bytes for the same tree. Raises FormatError for a name that cannot be
// stored or that a storage holds twice.
std::vector<std::uint8_t> WriteCompoundFile(const StorageEntry& root);
// The same bytes, handed to `put` in pieces: the streams' own bytes are not
// copied into one buffer for the whole file.
void WriteCompoundFile(const StorageEntry& root, const ByteSink& put);

}  // namespace pptfile
