// Compound files through the system's structured storage: what it writes is a
// version 3 file, the kind every reader takes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"

namespace pptfile {
namespace {

StorageEntry Stream(std::string name, std::vector<std::uint8_t> data) {
    StorageEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    return e;
}

StorageEntry Storage(std::string name, std::vector<StorageEntry> children) {
    StorageEntry e;
    e.name = std::move(name);
    e.is_storage = true;
    e.children = std::move(children);
    return e;
}

TEST(CompoundFileWin32, WritesAVersion3FileOf512ByteSectors) {
    const std::vector<std::uint8_t> bytes =
        WriteCompoundFile(Storage("Root Entry", {Stream("PowerPoint Document", {1, 2, 3})}));
    ASSERT_GE(bytes.size(), 1024u);
    const std::vector<std::uint8_t> signature{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 8), signature);
    EXPECT_EQ(bytes[0x1A] | bytes[0x1B] << 8, 3);  // major version
    EXPECT_EQ(bytes[0x1E] | bytes[0x1F] << 8, 9);  // sector shift: 512 bytes
    EXPECT_EQ(bytes.size() % 512, 0u);
}

}  // namespace
}  // namespace pptfile
