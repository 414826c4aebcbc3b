#include "cfb/compound_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/compound.h"
#include "support/helpers.h"

namespace cfb {
namespace {

using namespace test_support;

Bytes Pattern(std::size_t n, std::uint8_t seed) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = static_cast<std::uint8_t>((i * 131 + seed) & 0xFF);
    }
    return v;
}

const ClassId kClsid{0x3F, 0x2B, 0x8E, 0x51, 0x0C, 0x7D, 0x4A, 0x43,
                     0x9E, 0x61, 0x5A, 0x17, 0xC2, 0x40, 0x8B, 0x11};

// Class ids, empty entries, odd and longest names, sizes around the mini
// stream's cutoff and sector sizes, more FAT sectors than the header lists.
StorageEntry Tree() {
    return Storage(
        u"Root Entry", kClsid,
        {Stream(u"empty", {}), Stream(u"Größe", {1}), Stream(u"数据", {2}),
         Stream(u"31 characters long name_______", {3}), Stream(u"deep", {4}),
         Stream(u"\x05SummaryInformation", Pattern(200, 3)),
         Storage(u"outer", kClsid,
                 {Storage(u"inner", ClassId{9, 8, 7}, {Stream(u"deep", {42})}),
                  Stream(u"\001CompObj", Pattern(100, 5))}),
         Storage(u"empty storage", ClassId{1}, {}), Stream(u"a", Pattern(4095, 1)),
         Stream(u"b", Pattern(4096, 2)), Stream(u"c", Pattern(4097, 3)),
         Stream(u"d", Pattern(63, 4)), Stream(u"e", Pattern(64, 5)), Stream(u"f", Pattern(511, 6)),
         Stream(u"g", Pattern(513, 7)), Stream(u"big", Pattern(8 * 1024 * 1024 + 7, 3))});
}

// Our reader and python3-olefile (no defect, red-black trees) read it back.
TEST(CompoundFile, ReadsBackWhatWasWritten) {
    StorageEntry tree = Tree();
    for (int i = 0; i < 200; ++i) {
        const std::string name = "small " + std::to_string(i);
        tree.children.push_back(
            Stream(std::u16string(name.begin(), name.end()),
                   Pattern(static_cast<std::size_t>(i * 13 % 600), static_cast<std::uint8_t>(i))));
    }
    // Letters whose upper case orders them otherwise than their own units do.
    for (const char16_t* letter : {u"ƀ", u"Ɓ", u"ա", u"Բ"}) {
        tree.children.push_back(Stream(letter, {7}));
    }
    const StorageEntry got = ReadTree(WriteCompoundFile(tree));
    EXPECT_EQ(Listing(got), Listing(tree));
    EXPECT_EQ(got.clsid, kClsid);
    EXPECT_EQ(got.Find(u"outer")->clsid, kClsid);
    EXPECT_EQ(got.Find(u"outer")->Find(u"inner")->clsid, (ClassId{9, 8, 7}));
    // A slice of a stream ends where the stream does, and no later.
    EXPECT_NO_THROW(Slice(got.Find(u"b")->content, 4095, 1));
    EXPECT_THROW(Slice(got.Find(u"b")->content, 4095, 2), FormatError);
    // Unicode's simple uppercase mapping: U+0180 to U+0243, U+0561 to U+0531,
    // U+00F6 to U+00D6, U+0253 to U+0181; U+00DF and U+1E9E are apart.
    // clang-format off
    const std::u16string kLookups[][2] = {
        {u"EMPTY STORAGE", u"empty storage"}, {u"Ƀ", u"ƀ"}, {u"Ա", u"ա"}, {u"բ", u"Բ"},
        {u"GRÖßE", u"Größe"}, {u"ɓ", u"Ɓ"}, {u"GRÖẞE", u""}, {u"Ա ", u""}};
    // clang-format on
    for (const auto& [asked, found] : kLookups) {
        const StorageEntry* entry = got.Find(asked);
        EXPECT_EQ(entry == nullptr ? u"" : entry->name, found) << Utf8(asked);
    }
#ifdef ZBN_OLEFILE_PYTHON
    const TempFolder folder("zbn-olefile");
    WriteFile(folder.path() / "f.cfb", WriteCompoundFile(tree));
    const std::string command = std::string(ZBN_OLEFILE_PYTHON) + " " + ZBN_OLEFILE_SCRIPT + " " +
                                (folder.path() / "f.cfb").string() + " > " +
                                (folder.path() / "out").string() + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    const Bytes seen = ReadFile(folder.path() / "out");
    EXPECT_EQ(std::string(seen.begin(), seen.end()), Listing(tree));
#endif
}

struct BadBytesCase {
    const char* name;
    std::function<void(Bytes&)> damage;
    const char* message;
};

class CompoundBadBytes : public ::testing::TestWithParam<BadBytesCase> {};

// "small" in the mini stream, "large" long enough to hold a DIFAT sector.
Bytes ValidFile() {
    return WriteCompoundFile(
        Storage(u"Root Entry", {},
                {Stream(u"small", Pattern(1000, 1)), Stream(u"large", Pattern(130000, 2))}));
}

// [MS-CFB] 2.2 and 2.6: where things are in a version 3 file.
std::size_t SectorAt(std::uint32_t sector) {
    return (std::size_t{sector} + 1) * 512;
}
std::size_t FatEntryAt(const Bytes& v, std::uint32_t sector) {
    return SectorAt(Le32(v, 0x4C)) + 4 * sector;
}
std::size_t EntryAt(const Bytes& v, std::uint32_t id) {
    return SectorAt(Le32(v, 0x30)) + 128 * id;
}
constexpr std::uint32_t kLarge = 2;  // directory entries: root, small, large
constexpr std::size_t kLeft = 0x44, kChild = 0x4C, kStart = 0x74, kSize = 0x78;

TEST_P(CompoundBadBytes, RaisesFormatError) {
    Bytes bytes = ValidFile();
    GetParam().damage(bytes);
    EXPECT_THAT([&] { ReadTree(bytes); },
                ::testing::ThrowsMessage<FormatError>(::testing::HasSubstr(GetParam().message)));
}

// The first sector of "large".
std::uint32_t Large(const Bytes& v) {
    return Le32(v, EntryAt(v, kLarge) + kStart);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, CompoundBadBytes,
    ::testing::Values(
        // clang-format off
        BadBytesCase{"Empty", [](auto& v) { v.clear(); }, "not a compound file"},
        // Version 4 files have 4096-byte sectors and version 3 files 512-byte ones.
        BadBytesCase{"Version4With512ByteSectors", [](auto& v) { v[0x1A] = 4; }, "version 4, sector shift 9"},
        // A version 4 header is read as one: its 4096-byte sectors lie elsewhere.
        BadBytesCase{"Version4", [](auto& v) { v[0x1A] = 4; v[0x1E] = 12; }, "an allocation table sector lies past the end of the file"},
        BadBytesCase{"TruncatedInData", [](auto& v) { v.resize(v.size() / 2); }, "past the end of the file"},
        BadBytesCase{"FatLargerThanFile", [](auto& v) { Put32(v, 0x2C, 0x00FFFFFF); }, "larger than the file"},
        BadBytesCase{"NoDirectory", [](auto& v) { Put32(v, 0x30, 0xFFFFFFFE); }, "the directory is empty"},
        BadBytesCase{"FatLoop", [](auto& v) { Put32(v, FatEntryAt(v, Large(v) + 5), Large(v) + 2); }, "loops"},
        // A sector the FAT has an entry for, one past the file's last.
        BadBytesCase{"FatChainPastTheEnd", [](auto& v) { Put32(v, FatEntryAt(v, Large(v) + 3), static_cast<std::uint32_t>(v.size() / 512 - 1)); }, "a sector chain runs past the end of the file"},
        BadBytesCase{"FatChainEndsEarly", [](auto& v) { Put32(v, FatEntryAt(v, Large(v) + 3), 0xFFFFFFFE); }, "shorter than its stream"},
        BadBytesCase{"DirectoryChainLoop", [](auto& v) { Put32(v, FatEntryAt(v, Le32(v, 0x30)), Le32(v, 0x30)); }, "loops"},
        BadBytesCase{"MiniFatLoop", [](auto& v) { Put32(v, SectorAt(Le32(v, 0x3C)) + 4 * 3, 1); }, "loops"},
        // More FAT sectors than the header lists, and a DIFAT sector whose next is itself.
        BadBytesCase{"DifatLoop", [](auto& v) { const std::uint32_t start = Large(v); Put32(v, 0x2C, 250); Put32(v, 0x44, start); Put32(v, SectorAt(start) + 508, start); }, "loops"},
        BadBytesCase{"DirectoryLoop", [](auto& v) { Put32(v, EntryAt(v, kLarge) + kLeft, 0); }, "the directory loops"},
        BadBytesCase{"SiblingPastTheDirectory", [](auto& v) { Put32(v, EntryAt(v, kLarge) + kLeft, 100000); }, "past the end of the directory"},
        BadBytesCase{"StreamLargerThanFile", [](auto& v) { Put32(v, EntryAt(v, kLarge) + kSize, 0x7FFFFFFF); }, "larger than the file"},
        // Within the file, but past the mini stream; the name shown escaped.
        BadBytesCase{"SmallStreamPastTheMiniStream", [](auto& v) { v[EntryAt(v, 1) + 8] = 0x7F; Put32(v, EntryAt(v, 1) + kSize, 4000); }, "stream \"smal\\u007F\" is larger than the file"},
        BadBytesCase{"NameOfThirtyThreeUnits", [](auto& v) { v[EntryAt(v, 1) + 0x40] = 66; }, "a directory entry's name is damaged"},
        BadBytesCase{"NoRoot", [](auto& v) { v[EntryAt(v, 0) + 0x42] = 1; }, "no root entry"}),
    // clang-format on
    CaseName());

// Storages nest as deep as the reader follows them, 32 levels, and no deeper.
TEST(CompoundFile, StoragesNestThirtyTwoDeep) {
    for (const int depth : {32, 33}) {
        StorageEntry tree = Storage(u"Root Entry", {}, {});
        StorageEntry* inner = &tree;
        for (int i = 0; i < depth; ++i) {
            inner = &inner->children.emplace_back(Storage(u"s", {}, {}));
        }
        if (depth == 32) {
            EXPECT_EQ(Listing(ReadTree(WriteCompoundFile(tree))), Listing(tree));
        } else {
            EXPECT_THROW(WriteCompoundFile(tree), FormatError);
        }
    }
}

}  // namespace
}  // namespace cfb
