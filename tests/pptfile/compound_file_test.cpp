#include "pptfile/compound_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "pptfile/errors.h"
#include "pptfile/file_io.h"

namespace pptfile {
namespace {

StorageEntry Stream(std::string name, std::vector<std::uint8_t> data) {
    StorageEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    return e;
}

StorageEntry Storage(std::string name, ClassId clsid, std::vector<StorageEntry> children) {
    StorageEntry e;
    e.name = std::move(name);
    e.is_storage = true;
    e.clsid = clsid;
    e.children = std::move(children);
    return e;
}

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>((i * 131 + seed) & 0xFF);
    return v;
}

// Compares as a tree; the order of children is not part of the format.
void ExpectSameTree(const StorageEntry& want, const StorageEntry& got, const std::string& where) {
    EXPECT_EQ(want.is_storage, got.is_storage) << where;
    if (want.is_storage) {
        EXPECT_EQ(want.clsid, got.clsid) << where;
        ASSERT_EQ(want.children.size(), got.children.size()) << where;
        for (const StorageEntry& child : want.children) {
            const StorageEntry* found = got.Find(child.name);
            ASSERT_NE(found, nullptr) << where << "/" << child.name;
            ExpectSameTree(child, *found, where + "/" + child.name);
        }
    } else {
        EXPECT_EQ(want.data, got.data) << where;
    }
}

struct RoundTripCase {
    const char* name;
    std::function<StorageEntry()> make;
};

class CompoundRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(CompoundRoundTrip, ReadsBackWhatWasWritten) {
    const StorageEntry tree = GetParam().make();
    const std::vector<std::uint8_t> bytes = WriteCompoundFile(tree);
    const StorageEntry back = ReadCompoundFile(bytes);
    ExpectSameTree(tree, back, "");
}

const ClassId kClsid{0x3F, 0x2B, 0x8E, 0x51, 0x0C, 0x7D, 0x4A, 0x43,
                     0x9E, 0x61, 0x5A, 0x17, 0xC2, 0x40, 0x8B, 0x11};

INSTANTIATE_TEST_SUITE_P(
    Trees, CompoundRoundTrip,
    ::testing::Values(
        RoundTripCase{"EmptyRoot", [] { return Storage("Root Entry", {}, {}); }},
        RoundTripCase{"RootClassId",
                      [] {
                          return Storage("Root Entry", kClsid, {Stream("contents", {1, 2, 3})});
                      }},
        RoundTripCase{"EmptyStream",
                      [] { return Storage("Root Entry", {}, {Stream("empty", {})}); }},
        RoundTripCase{"PowerPointNames",
                      [] {
                          return Storage("Root Entry", {},
                                         {Stream("Current User", Pattern(50, 1)),
                                          Stream("PowerPoint Document", Pattern(9000, 2)),
                                          Stream("\x05SummaryInformation", Pattern(200, 3)),
                                          Stream("\x05"
                                                 "DocumentSummaryInformation",
                                                 Pattern(300, 4))});
                      }},
        RoundTripCase{"NestedStoragesKeepClassIds",
                      [] {
                          return Storage(
                              "Root Entry", {},
                              {Storage("outer", kClsid,
                                       {Storage("inner", ClassId{9, 8, 7}, {Stream("deep", {42})}),
                                        Stream("\x01"
                                               "CompObj",
                                               Pattern(100, 5))}),
                               Storage("empty storage", ClassId{1}, {})});
                      }},
        // Around the size where streams move from small to regular sectors.
        RoundTripCase{"ThresholdSizes",
                      [] {
                          return Storage(
                              "Root Entry", {},
                              {Stream("a", Pattern(4095, 1)), Stream("b", Pattern(4096, 2)),
                               Stream("c", Pattern(4097, 3)), Stream("d", Pattern(63, 4)),
                               Stream("e", Pattern(64, 5)), Stream("f", Pattern(511, 6)),
                               Stream("g", Pattern(513, 7))});
                      }},
        RoundTripCase{"ManyStreams",
                      [] {
                          std::vector<StorageEntry> children;
                          for (int i = 0; i < 300; ++i) {
                              children.push_back(
                                  Stream("stream " + std::to_string(i),
                                         Pattern(static_cast<std::size_t>(i * 37 % 5000),
                                                 static_cast<std::uint8_t>(i))));
                          }
                          return Storage("Root Entry", {}, std::move(children));
                      }},
        RoundTripCase{"BigStream",
                      [] {
                          return Storage("Root Entry", {},
                                         {Stream("big", Pattern(3 * 1024 * 1024 + 7, 9))});
                      }},
        RoundTripCase{"NonAsciiNames",
                      [] {
                          return Storage("Root Entry", {},
                                         {Stream("Größe", {1}), Stream("数据", {2}),
                                          Stream("31 characters long name_______", {3})});
                      }}),
    [](const ::testing::TestParamInfo<RoundTripCase>& param_info) {
        return param_info.param.name;
    });

TEST(CompoundFile, FindIgnoresCaseOfAsciiLetters) {
    const StorageEntry root = Storage("Root Entry", {}, {Stream("Current User", {1})});
    EXPECT_NE(root.Find("CURRENT USER"), nullptr);
    EXPECT_NE(root.Find("current user"), nullptr);
    EXPECT_EQ(root.Find("Current Use"), nullptr);
    EXPECT_EQ(root.Find("Current Users"), nullptr);
}

class CompoundBadName : public ::testing::TestWithParam<std::string> {};

TEST_P(CompoundBadName, IsRefusedNotTruncated) {
    const StorageEntry root = Storage("Root Entry", {}, {Stream(GetParam(), {1})});
    EXPECT_THROW(WriteCompoundFile(root), FormatError);
}

INSTANTIATE_TEST_SUITE_P(Names, CompoundBadName,
                         ::testing::Values(std::string(), std::string(32, 'x'), "a/b", "a\\b",
                                           "a:b", "a!b", std::string("\xFF\xFE", 2)));

// Two entries of one name in a storage: the second would replace the first
// (or confuse a reader), so the file is refused instead.
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
        TwiceCase{"SameStream", Storage("Root Entry", {}, {Stream("a", {1}), Stream("a", {2})})},
        TwiceCase{"AsciiCase",
                  Storage("Root Entry", {}, {Stream("Pictures", {1}), Stream("PICTURES", {2})})},
        TwiceCase{"CaseBeyondAscii",
                  Storage("Root Entry", {},
                          {Stream("\xC3\xA9t\xC3\xA9", {1}), Stream("\xC3\x89T\xC3\x89", {2})})},
        TwiceCase{
            "StreamAndStorage",
            Storage("Root Entry", {}, {Stream("ObjectPool", {1}), Storage("ObjectPool", {}, {})})},
        TwiceCase{"InANestedStorage",
                  Storage("Root Entry", {},
                          {Storage("ObjectPool", {}, {Stream("x", {1}), Stream("X", {2})})})}),
    [](const ::testing::TestParamInfo<TwiceCase>& param_info) { return param_info.param.name; });

TEST(CompoundFile, NamesThatDifferOnlyAcrossStoragesAreKept) {
    const StorageEntry root =
        Storage("Root Entry", {}, {Stream("x", {1}), Storage("inner", {}, {Stream("x", {2})})});
    const StorageEntry back = ReadCompoundFile(WriteCompoundFile(root));
    ASSERT_NE(back.Find("x"), nullptr);
    EXPECT_EQ(back.Find("x")->data, std::vector<std::uint8_t>{1});
    ASSERT_NE(back.Find("inner"), nullptr);
    ASSERT_NE(back.Find("inner")->Find("x"), nullptr);
    EXPECT_EQ(back.Find("inner")->Find("x")->data, std::vector<std::uint8_t>{2});
}

// Bytes that are not a sound compound file raise FormatError and print
// nothing: libraries' complaints go into the message, not to stderr.
struct BadBytesCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> make;
};

class CompoundBadBytes : public ::testing::TestWithParam<BadBytesCase> {};

std::vector<std::uint8_t> ValidFile() {
    return WriteCompoundFile(Storage(
        "Root Entry", {}, {Stream("small", Pattern(1000, 1)), Stream("large", Pattern(20000, 2))}));
}

TEST_P(CompoundBadBytes, RaisesFormatErrorQuietly) {
    const std::vector<std::uint8_t> bytes = GetParam().make();
    ::testing::internal::CaptureStderr();
    try {
        ReadCompoundFile(bytes);
        ADD_FAILURE() << "read without error";
    } catch (const FormatError& e) {
        EXPECT_FALSE(std::string(e.what()).empty());
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Damage, CompoundBadBytes,
    ::testing::Values(BadBytesCase{"Empty", [] { return std::vector<std::uint8_t>{}; }},
                      BadBytesCase{"Text", [] { return std::vector<std::uint8_t>(600, 'x'); }},
                      BadBytesCase{"HeaderOnly",
                                   [] {
                                       auto v = ValidFile();
                                       v.resize(512);
                                       return v;
                                   }},
                      BadBytesCase{"TruncatedInData",
                                   [] {
                                       auto v = ValidFile();
                                       v.resize(v.size() / 2);
                                       return v;
                                   }},
                      BadBytesCase{"FatPointsOutside",
                                   [] {
                                       auto v = ValidFile();
                                       // The first FAT sector number in the header points far away.
                                       v[0x4C] = 0xFF;
                                       v[0x4D] = 0xFF;
                                       v[0x4E] = 0xFF;
                                       v[0x4F] = 0x0F;
                                       return v;
                                   }},
                      BadBytesCase{"DirectoryPointsOutside",
                                   [] {
                                       auto v = ValidFile();
                                       v[0x30] = 0xFF;
                                       v[0x31] = 0xFF;
                                       v[0x32] = 0x00;
                                       v[0x33] = 0x01;
                                       return v;
                                   }}),
    [](const ::testing::TestParamInfo<BadBytesCase>& param_info) { return param_info.param.name; });

// Damaged files from other projects' test suites: each is read or refused,
// never crashes, and leaves stderr alone.
TEST(CompoundFile, SurvivesDamagedCorpusFiles) {
    const auto dir = std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "bad";
    if (!std::filesystem::is_directory(dir))
        GTEST_SKIP() << "no corpus at " << dir;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(entry.path());
        ::testing::internal::CaptureStderr();
        try {
            ReadCompoundFile(bytes);
        } catch (const FormatError&) {
        }
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << entry.path();
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace pptfile
