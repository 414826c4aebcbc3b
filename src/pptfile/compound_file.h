// Compound files ([MS-CFB]) as a tree held in memory: storages with children,
// streams with their bytes. Reading and writing go through libgsf, or through
// the system's structured storage on Windows.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pptfile {

using ClassId = std::array<std::uint8_t, 16>;

struct StorageEntry {
    std::string name;  // UTF-8, as stored ("PowerPoint Document", "\x05SummaryInformation")
    bool is_storage = false;
    ClassId clsid{};                    // storages only
    std::vector<std::uint8_t> data;     // streams only
    std::vector<StorageEntry> children;  // storages only, in the order read or added

    // The direct child with this name (compared as compound files compare
    // names: ignoring case), or null.
    const StorageEntry* Find(std::string_view child) const noexcept;
    StorageEntry* Find(std::string_view child) noexcept;
};

// Reads a whole compound file. Raises FormatError for bytes that are not one or
// whose structure is broken (sector chains out of range or in a cycle, ...).
StorageEntry ReadCompoundFile(std::span<const std::uint8_t> bytes);

// Writes `root`'s children (and its class id) as a compound file.
std::vector<std::uint8_t> WriteCompoundFile(const StorageEntry& root);

}  // namespace pptfile
