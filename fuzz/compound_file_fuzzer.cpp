// libFuzzer target: any bytes handed to the compound-file reader either give a
// tree or raise FormatError, in time and memory bounded by their size. A tree
// that was read is written again and must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"

namespace {

bool Same(const pptfile::StorageEntry& a, const pptfile::StorageEntry& b) {
    if (a.is_storage != b.is_storage || a.data != b.data ||
        a.children.size() != b.children.size()) {
        return false;
    }
    for (const pptfile::StorageEntry& child : a.children) {
        const pptfile::StorageEntry* other = b.Find(child.name);
        if (other == nullptr || !Same(child, *other)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pptfile::StorageEntry tree;
    try {
        tree = pptfile::ReadCompoundFile(std::span(data, size));
    } catch (const pptfile::FormatError&) {
        return 0;
    }
    // Names a damaged file may hold twice or that cannot be stored again are
    // refused by the writer; everything else must survive the round trip.
    try {
        const auto again = pptfile::WriteCompoundFile(tree);
        if (!Same(tree, pptfile::ReadCompoundFile(again))) {
            std::abort();
        }
    } catch (const pptfile::FormatError&) {
    }
    return 0;
}
