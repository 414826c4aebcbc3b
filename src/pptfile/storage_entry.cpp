#include <algorithm>
#include <string_view>
#include <utility>

#include "pptfile/compound_file.h"

namespace pptfile {
namespace {

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

const StorageEntry* StorageEntry::Find(std::string_view child) const noexcept {
    for (const StorageEntry& entry : children) {
        if (entry.name.size() == child.size() &&
            std::equal(entry.name.begin(), entry.name.end(), child.begin(),
                       [](char a, char b) { return FoldAscii(a) == FoldAscii(b); })) {
            return &entry;
        }
    }
    return nullptr;
}

StorageEntry* StorageEntry::Find(std::string_view child) noexcept {
    return const_cast<StorageEntry*>(std::as_const(*this).Find(child));
}

}  // namespace pptfile
