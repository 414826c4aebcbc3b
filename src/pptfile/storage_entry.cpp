#include <string_view>
#include <utility>

#include "pptfile/compound_file.h"
#include "pptfile/compound_file_format.h"

namespace pptfile {
const StorageEntry* StorageEntry::Find(std::string_view child) const noexcept {
    for (const StorageEntry& entry : children) {
        if (cfb::SameName(entry.name, child)) {
            return &entry;
        }
    }
    return nullptr;
}

StorageEntry* StorageEntry::Find(std::string_view child) noexcept {
    return const_cast<StorageEntry*>(std::as_const(*this).Find(child));
}

}  // namespace pptfile
