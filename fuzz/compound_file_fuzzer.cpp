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
#include "support/compound.h"

namespace {

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
    cfb::StorageEntry tree;
    std::vector<std::uint8_t> again;
    try {
        tree = test_support::ReadTree(std::span(data, size));
        // Names a damaged file may hold twice or that cannot be stored again
        // are refused by the writer; everything else must survive the round trip.
        again = cfb::WriteCompoundFile(tree);
    } catch (const cfb::FormatError&) {
        return 0;
    }
    if (!Same(tree, test_support::ReadTree(again))) {
        std::abort();
    }
    return 0;
}
