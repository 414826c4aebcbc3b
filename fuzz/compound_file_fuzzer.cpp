// libFuzzer target: any bytes handed to the compound-file reader either open
// or raise FormatError, in time and memory bounded by their size. A file that
// opens is written again, its streams read, and must read back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "cfb/compound_file.h"

namespace {

// Every stream's bytes brought into memory.
void Load(cfb::StorageEntry& entry) {
    if (!entry.is_storage) {
        entry.content = {cfb::ReadAll(entry)};
    }
    std::ranges::for_each(entry.children, Load);
}

bool Same(const cfb::StorageEntry& a, const cfb::StorageEntry& b) {
    return a.is_storage == b.is_storage && cfb::ReadAll(a) == cfb::ReadAll(b) &&
           a.children.size() == b.children.size() &&
           std::ranges::all_of(a.children, [&](const cfb::StorageEntry& child) {
               const cfb::StorageEntry* other = b.Find(child.name);
               return other != nullptr && Same(child, *other);
           });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const cfb::MemorySource source(std::span(data, size));
    cfb::StorageEntry tree;
    try {
        const cfb::CompoundFile file(source);
        tree = file.root();
        Load(tree);
    } catch (const cfb::FormatError&) {
        return 0;
    }
    // Names a damaged file may hold twice or that cannot be stored again are
    // refused by the writer; everything else must survive the round trip.
    std::vector<std::uint8_t> again;
    try {
        again = cfb::WriteCompoundFile(tree);
    } catch (const cfb::FormatError&) {
        return 0;
    }
    const cfb::MemorySource written(again);
    const cfb::CompoundFile reread(written);
    if (!Same(tree, reread.root())) {
        std::abort();
    }
    return 0;
}
