// Compound files through the system's structured storage: what the system
// would do silently (a second entry of a name replacing the first) is refused,
// and what it writes is a version 3 file, the kind every reader takes.
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

struct TwiceCase {
    const char* name;
    StorageEntry root;
};

class CompoundNameTwice : public ::testing::TestWithParam<TwiceCase> {};

TEST_P(CompoundNameTwice, IsRefusedNotReplaced) {
    try {
        WriteCompoundFile(GetParam().root);
        ADD_FAILURE() << "written";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("twice"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Trees, CompoundNameTwice,
    ::testing::Values(
        TwiceCase{"SameStream", Storage("Root Entry", {Stream("a", {1}), Stream("a", {2})})},
        TwiceCase{"AsciiCase",
                  Storage("Root Entry", {Stream("Pictures", {1}), Stream("PICTURES", {2})})},
        TwiceCase{"CaseBeyondAscii", Storage("Root Entry", {Stream("\xC3\xA9t\xC3\xA9", {1}),
                                                            Stream("\xC3\x89T\xC3\x89", {2})})},
        TwiceCase{"StreamAndStorage",
                  Storage("Root Entry", {Stream("ObjectPool", {1}), Storage("ObjectPool", {})})},
        TwiceCase{
            "InANestedStorage",
            Storage("Root Entry", {Storage("ObjectPool", {Stream("x", {1}), Stream("X", {2})})})}),
    [](const ::testing::TestParamInfo<TwiceCase>& param_info) { return param_info.param.name; });

TEST(CompoundFileWin32, NamesThatDifferOnlyAcrossStoragesAreKept) {
    const StorageEntry root =
        Storage("Root Entry", {Stream("x", {1}), Storage("inner", {Stream("x", {2})})});
    const StorageEntry back = ReadCompoundFile(WriteCompoundFile(root));
    ASSERT_NE(back.Find("x"), nullptr);
    EXPECT_EQ(back.Find("x")->data, std::vector<std::uint8_t>{1});
    ASSERT_NE(back.Find("inner"), nullptr);
    ASSERT_NE(back.Find("inner")->Find("x"), nullptr);
    EXPECT_EQ(back.Find("inner")->Find("x")->data, std::vector<std::uint8_t>{2});
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
