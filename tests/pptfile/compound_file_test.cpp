#include "pptfile/compound_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
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
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = static_cast<std::uint8_t>((i * 131 + seed) & 0xFF);
    }
    return v;
}

std::uint32_t Get32(const std::vector<std::uint8_t>& v, std::size_t at) {
    return static_cast<std::uint32_t>(v[at] | v[at + 1] << 8 | v[at + 2] << 16 | v[at + 3] << 24);
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
                               Storage("empty storage", ClassId{1}, {}),
                               Stream("deep", {43})});
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
        // More FAT sectors than the header lists: the rest go to the DIFAT.
        RoundTripCase{"BeyondTheHeadersFatList",
                      [] {
                          return Storage("Root Entry", {},
                                         {Stream("big", Pattern(8 * 1024 * 1024 + 7, 3))});
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

// A version 4 file made from a version 3 one of a few small streams: each
// 512-byte sector becomes a 4096-byte sector of the same number, so every
// chain and the mini stream keep their places.
TEST(CompoundFile, ReadsVersion4) {
    const StorageEntry tree =
        Storage("Root Entry", kClsid, {Stream("a", Pattern(100, 1)), Stream("b", Pattern(300, 2))});
    const std::vector<std::uint8_t> v3 = WriteCompoundFile(tree);
    std::vector<std::uint8_t> v4;
    for (std::uint32_t i = 0; i * 512 < v3.size(); ++i) {  // the header, then sector i - 1
        const bool table = i == Get32(v3, 0x4C) + 1 || i == Get32(v3, 0x3C) + 1;
        v4.insert(v4.end(), v3.begin() + i * 512, v3.begin() + (i + 1) * 512);
        v4.resize(v4.size() + 4096 - 512, table ? 0xFF : 0);  // free sectors in the tables
    }
    v4[0x1A] = 4;   // major version
    v4[0x1E] = 12;  // sector shift
    ExpectSameTree(tree, ReadCompoundFile(v4), "");
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

std::uint32_t Fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t b : bytes) {
        hash = (hash ^ b) * 16777619u;
    }
    return hash;
}

// Path ("storage/stream") -> size and hash of every stream under `storage`.
using Listing = std::map<std::string, std::pair<std::size_t, std::uint32_t>>;

void List(const StorageEntry& storage, const std::string& prefix, Listing& out) {
    for (const StorageEntry& child : storage.children) {
        if (child.is_storage) {
            List(child, prefix + child.name + "/", out);
        } else {
            out[prefix + child.name] = {child.data.size(), Fnv1a(child.data)};
        }
    }
}

const std::filesystem::path kDataDir =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "data";

// Every stream of the good corpus files as another reader (libgsf 1.14) read
// them.
struct CorpusStream {
    const char* file;
    const char* path;
    std::size_t size;
    std::uint32_t fnv1a;
};

const CorpusStream kCorpusStreams[] = {
    // clang-format off
    {"54880_chinese.ppt", "Current User", 74, 0xFF161566},
    {"54880_chinese.ppt", "\x05" "SummaryInformation", 58048, 0xF189E3C2},
    {"54880_chinese.ppt", "PowerPoint Document", 37906, 0xFB3A0A25},
    {"54880_chinese.ppt", "\x05" "DocumentSummaryInformation", 492, 0x2B6F0F05},
    {"57272_corrupted_usereditatom.ppt", "Pictures", 2648, 0x618EE5AA},
    {"57272_corrupted_usereditatom.ppt", "Current User", 89, 0x3514B54A},
    {"57272_corrupted_usereditatom.ppt", "\x05" "SummaryInformation", 44456, 0xCCA5E7A0},
    {"57272_corrupted_usereditatom.ppt", "PowerPoint Document", 17700, 0xE2ABF177},
    {"57272_corrupted_usereditatom.ppt", "\x05" "DocumentSummaryInformation", 532, 0x4FD09E90},
    {"SampleShow.ppt", "Current User", 59, 0xB2186A4E},
    {"SampleShow.ppt", "\x05" "SummaryInformation", 58196, 0xBA21B38E},
    {"SampleShow.ppt", "PowerPoint Document", 62399, 0x8B16304D},
    {"SampleShow.ppt", "\x05" "DocumentSummaryInformation", 532, 0x926CF7A7},
    {"Single_Coloured_Page.ppt", "Current User", 56, 0xD50A3F50},
    {"Single_Coloured_Page.ppt", "\x05" "SummaryInformation", 1808, 0xC80D15C7},
    {"Single_Coloured_Page.ppt", "PowerPoint Document", 4211, 0xE8004721},
    {"Single_Coloured_Page.ppt", "\x05" "DocumentSummaryInformation", 492, 0xF8FC1F68},
    {"WithMacros.ppt", "Macros", 4, 0xC3AA51B1},
    {"WithMacros.ppt", "Current User", 41, 0x154470E1},
    {"WithMacros.ppt", "\x05" "SummaryInformation", 476, 0xDE717934},
    {"WithMacros.ppt", "PowerPoint Document", 12631, 0x017BF91E},
    {"WithMacros.ppt", "\x05" "DocumentSummaryInformation", 472, 0xB3D54D8A},
    {"WithMaster.ppt", "Current User", 68, 0x8A2A84D2},
    {"WithMaster.ppt", "\x05" "SummaryInformation", 58064, 0x39985318},
    {"WithMaster.ppt", "PowerPoint Document", 80102, 0x2C551F59},
    {"WithMaster.ppt", "\x05" "DocumentSummaryInformation", 508, 0x7B521D95},
    {"backgrounds.ppt", "Pictures", 15081, 0xE572D81C},
    {"backgrounds.ppt", "Current User", 68, 0xF9D5051B},
    {"backgrounds.ppt", "\x05" "SummaryInformation", 3284, 0x9A39C1A5},
    {"backgrounds.ppt", "PowerPoint Document", 5063, 0x71240E65},
    {"backgrounds.ppt", "\x05" "DocumentSummaryInformation", 452, 0xCCE2653F},
    {"basic_test_ppt_file.ppt", "Current User", 56, 0x69FA5660},
    {"basic_test_ppt_file.ppt", "\x05" "SummaryInformation", 1136, 0xEF62CD66},
    {"basic_test_ppt_file.ppt", "PowerPoint Document", 10598, 0xE13AD85A},
    {"basic_test_ppt_file.ppt", "\x05" "DocumentSummaryInformation", 516, 0x708C9FD2},
    {"bullets.ppt", "Current User", 68, 0x3167C79C},
    {"bullets.ppt", "\x05" "SummaryInformation", 2132, 0x2A9CE7A2},
    {"bullets.ppt", "PowerPoint Document", 12807, 0xCFCB26F9},
    {"bullets.ppt", "\x05" "DocumentSummaryInformation", 564, 0xBA763FD4},
    {"empty.ppt", "Current User", 68, 0xAF053ABC},
    {"empty.ppt", "\x05" "SummaryInformation", 3676, 0x8F267472},
    {"empty.ppt", "PowerPoint Document", 3233, 0x41F319BB},
    {"empty.ppt", "\x05" "DocumentSummaryInformation", 540, 0x1D5FD6FC},
    {"headers_footers.ppt", "Current User", 68, 0x3BCBEE6F},
    {"headers_footers.ppt", "\x05" "SummaryInformation", 1072, 0x8206B5D1},
    {"headers_footers.ppt", "PowerPoint Document", 8183, 0x9742802F},
    {"headers_footers.ppt", "\x05" "DocumentSummaryInformation", 564, 0xCAECE5D1},
    {"incorrect_slide_order.ppt", "Current User", 47, 0xD614C928},
    {"incorrect_slide_order.ppt", "\x05" "SummaryInformation", 880, 0x7C477B46},
    {"incorrect_slide_order.ppt", "PowerPoint Document", 5524, 0xFDD03048},
    {"incorrect_slide_order.ppt", "\x05" "DocumentSummaryInformation", 496, 0x89959433},
    {"ole2-embedding-2003.ppt", "Pictures", 2057, 0x55FA2C8E},
    {"ole2-embedding-2003.ppt", "Current User", 68, 0xD905E462},
    {"ole2-embedding-2003.ppt", "\x05" "SummaryInformation", 21724, 0x35B51C6C},
    {"ole2-embedding-2003.ppt", "PowerPoint Document", 9865, 0x3BCDDD73},
    {"ole2-embedding-2003.ppt", "\x05" "DocumentSummaryInformation", 572, 0x155CA488},
    {"pictures.ppt", "Pictures", 62541, 0xCFC4C9FF},
    {"pictures.ppt", "Current User", 68, 0xC07CC0F6},
    {"pictures.ppt", "\x05" "SummaryInformation", 3284, 0x9A39C1A5},
    {"pictures.ppt", "PowerPoint Document", 5371, 0x7E3F0FEC},
    {"pictures.ppt", "\x05" "DocumentSummaryInformation", 452, 0xCCE2653F},
    {"slide_master.ppt", "Current User", 68, 0xD4DAE1F2},
    {"slide_master.ppt", "\x05" "SummaryInformation", 3376, 0x3F790A0F},
    {"slide_master.ppt", "PowerPoint Document", 10947, 0x2D69ABA8},
    {"slide_master.ppt", "\x05" "DocumentSummaryInformation", 664, 0xEFEDBE80},
    {"table_test.ppt", "Current User", 74, 0x1F2C1E03},
    {"table_test.ppt", "\x05" "SummaryInformation", 43668, 0x2D3526F8},
    {"table_test.ppt", "PowerPoint Document", 73335, 0xC4406044},
    {"table_test.ppt", "\x05" "DocumentSummaryInformation", 472, 0x544FCCC6},
    {"text_shapes.ppt", "Current User", 68, 0x74602D11},
    {"text_shapes.ppt", "\x05" "SummaryInformation", 2440, 0x95D39C5F},
    {"text_shapes.ppt", "PowerPoint Document", 4802, 0xD3D46B6A},
    {"text_shapes.ppt", "\x05" "DocumentSummaryInformation", 560, 0x7DD5210B},
    {"with_textbox.ppt", "Current User", 68, 0xB674030E},
    {"with_textbox.ppt", "\x05" "SummaryInformation", 2592, 0x024B23DE},
    {"with_textbox.ppt", "PowerPoint Document", 4584, 0xD02EDE5B},
    {"with_textbox.ppt", "\x05" "DocumentSummaryInformation", 556, 0x45D7D37E},
    // clang-format on
};

TEST(CompoundFile, ReadsTheCorpusAsBefore) {
    std::map<std::string, Listing> want;
    for (const CorpusStream& s : kCorpusStreams) {
        want[s.file][s.path] = {s.size, s.fnv1a};
    }
    for (const auto& [file, streams] : want) {
        Listing got;
        List(ReadCompoundFile(ReadWholeFile(kDataDir / "good" / file)), "", got);
        EXPECT_EQ(got, streams) << file;
    }
}

#ifdef ZBN_OLEFILE_PYTHON
// python3-olefile reads what we write, finds no defect in it, and sees the
// same streams. The script also checks each storage's red-black tree.
TEST(CompoundFile, OlefileReadsWhatWeWrite) {
    std::vector<StorageEntry> children{
        Stream("big", Pattern(10000, 1)),
        Storage("inner", kClsid, {Stream("deep", Pattern(100, 2)), Stream("Deeper", {})})};
    for (int i = 0; i < 200; ++i) {
        children.push_back(
            Stream("small " + std::to_string(i),
                   Pattern(static_cast<std::size_t>(i * 13 % 600), static_cast<std::uint8_t>(i))));
    }
    const StorageEntry root = Storage("Root Entry", {}, std::move(children));
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("zbn_olefile_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ".cfb");
    const std::vector<std::uint8_t> bytes = WriteCompoundFile(root);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);

    const std::string command =
        std::string(ZBN_OLEFILE_PYTHON) + " " + ZBN_OLEFILE_SCRIPT + " " + file.string() + " 2>&1";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    ASSERT_NE(pipe, nullptr);
    std::string seen;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) {
        seen.append(buffer, n);
    }
    std::filesystem::remove(file);

    Listing listing;
    List(root, "", listing);
    std::string want;
    for (const auto& [path, stream] : listing) {
        want +=
            path + " " + std::to_string(stream.first) + " " + std::to_string(stream.second) + "\n";
    }
    EXPECT_EQ(seen, want);
}
#endif

// Bytes that are not a sound compound file raise FormatError naming the
// damage.
struct BadBytesCase {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    const char* message;
};

class CompoundBadBytes : public ::testing::TestWithParam<BadBytesCase> {};

// Root, "small" (mini stream), "large" (regular sectors, enough of them to
// hold a DIFAT sector that lists more FAT sectors than the header does).
std::vector<std::uint8_t> ValidFile() {
    return WriteCompoundFile(
        Storage("Root Entry", {},
                {Stream("small", Pattern(1000, 1)), Stream("large", Pattern(130000, 2))}));
}

void Set32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        v[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
// [MS-CFB] 2.2 and 2.6: where things are in a version 3 file.
std::size_t SectorAt(std::uint32_t sector) {
    return (std::size_t{sector} + 1) * 512;
}
std::size_t FatEntryAt(const std::vector<std::uint8_t>& v, std::uint32_t sector) {
    return SectorAt(Get32(v, 0x4C)) + 4 * sector;
}
std::size_t EntryAt(const std::vector<std::uint8_t>& v, std::uint32_t id) {
    return SectorAt(Get32(v, 0x30)) + 128 * id;
}
constexpr std::uint32_t kLarge = 2;  // directory entries: root, small, large
constexpr std::size_t kLeft = 0x44, kChild = 0x4C, kStart = 0x74, kSize = 0x78;

TEST_P(CompoundBadBytes, RaisesFormatError) {
    std::vector<std::uint8_t> bytes = ValidFile();
    GetParam().damage(bytes);
    try {
        ReadCompoundFile(bytes);
        ADD_FAILURE() << "read without error";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Damage, CompoundBadBytes,
    ::testing::Values(
        BadBytesCase{"Empty", [](auto& v) { v.clear(); }, "not a compound file"},
        BadBytesCase{"Text", [](auto& v) { v.assign(600, 'x'); }, "not a compound file"},
        BadBytesCase{"HeaderOnly", [](auto& v) { v.resize(512); }, "larger than the file"},
        BadBytesCase{"TruncatedInData", [](auto& v) { v.resize(v.size() / 2); },
                     "past the end of the file"},
        BadBytesCase{"FatSectorOutside", [](auto& v) { Set32(v, 0x4C, 0x0FFFFFFF); },
                     "past the end of the file"},
        BadBytesCase{"FatLargerThanFile", [](auto& v) { Set32(v, 0x2C, 0x00FFFFFF); },
                     "larger than the file"},
        BadBytesCase{"DirectoryOutside", [](auto& v) { Set32(v, 0x30, 0x0100FFFF); },
                     "past the end of the file"},
        BadBytesCase{"FatLoop",
                     [](auto& v) {
                         const std::uint32_t start = Get32(v, EntryAt(v, kLarge) + kStart);
                         Set32(v, FatEntryAt(v, start + 5), start + 2);
                     },
                     "loops"},
        BadBytesCase{"FatChainPastTheEnd",
                     [](auto& v) {
                         const std::uint32_t start = Get32(v, EntryAt(v, kLarge) + kStart);
                         Set32(v, FatEntryAt(v, start + 3), 0x00FFFFFF);
                     },
                     "past the end of the file"},
        BadBytesCase{"FatChainEndsEarly",
                     [](auto& v) {
                         const std::uint32_t start = Get32(v, EntryAt(v, kLarge) + kStart);
                         Set32(v, FatEntryAt(v, start + 3), 0xFFFFFFFE);
                     },
                     "shorter than its stream"},
        BadBytesCase{"DirectoryChainLoop",
                     [](auto& v) { Set32(v, FatEntryAt(v, Get32(v, 0x30)), Get32(v, 0x30)); },
                     "loops"},
        BadBytesCase{"MiniFatLoop", [](auto& v) { Set32(v, SectorAt(Get32(v, 0x3C)) + 4 * 3, 1); },
                     "loops"},
        // More FAT sectors than the header lists, and a DIFAT sector whose
        // next is itself.
        BadBytesCase{"DifatLoop",
                     [](auto& v) {
                         const std::uint32_t start = Get32(v, EntryAt(v, kLarge) + kStart);
                         Set32(v, 0x2C, 250);
                         Set32(v, 0x44, start);
                         Set32(v, SectorAt(start) + 508, start);
                     },
                     "loops"},
        BadBytesCase{"DirectoryLoop", [](auto& v) { Set32(v, EntryAt(v, kLarge) + kLeft, 0); },
                     "the directory loops"},
        BadBytesCase{"SiblingPastTheDirectory",
                     [](auto& v) { Set32(v, EntryAt(v, kLarge) + kLeft, 100000); },
                     "past the end of the directory"},
        BadBytesCase{"StreamLargerThanFile",
                     [](auto& v) { Set32(v, EntryAt(v, kLarge) + kSize, 0x7FFFFFFF); },
                     "larger than the file"},
        BadBytesCase{"MiniStreamLargerThanFile",
                     [](auto& v) { Set32(v, EntryAt(v, 0) + kSize, 0x7FFFFFFF); },
                     "larger than the file"},
        BadBytesCase{"NoRoot", [](auto& v) { v[EntryAt(v, 0) + 0x42] = 1; }, "no root entry"}),
    [](const ::testing::TestParamInfo<BadBytesCase>& param_info) { return param_info.param.name; });

// Many entries under one storage are read in time linear in their number: as
// the balanced tree we write, and as one long chain of right siblings, which
// a recursive reader would follow until its stack ran out.
struct ManyEntriesCase {
    const char* name;
    std::uint32_t streams;
    bool one_chain;
};

class CompoundManyEntries : public ::testing::TestWithParam<ManyEntriesCase> {};

TEST_P(CompoundManyEntries, AreAllRead) {
    const std::uint32_t n = GetParam().streams;
    std::vector<StorageEntry> children;
    for (std::uint32_t i = 0; i < n; ++i) {
        std::string name = std::to_string(100000 + i);  // same length, in order
        children.push_back(Stream(std::move(name), {static_cast<std::uint8_t>(i)}));
    }
    std::vector<std::uint8_t> bytes =
        WriteCompoundFile(Storage("Root Entry", {}, std::move(children)));
    if (GetParam().one_chain) {
        // Entries 1..n hold the names in order.
        Set32(bytes, EntryAt(bytes, 0) + kChild, 1);
        for (std::uint32_t id = 1; id <= n; ++id) {
            Set32(bytes, EntryAt(bytes, id) + kLeft, 0xFFFFFFFF);
            Set32(bytes, EntryAt(bytes, id) + kLeft + 4, id < n ? id + 1 : 0xFFFFFFFF);
        }
    }
    const StorageEntry back = ReadCompoundFile(bytes);
    ASSERT_EQ(back.children.size(), n);
    EXPECT_EQ(back.children.back().name, std::to_string(100000 + n - 1));
    EXPECT_EQ(back.children.back().data,
              std::vector<std::uint8_t>{static_cast<std::uint8_t>(n - 1)});
}

INSTANTIATE_TEST_SUITE_P(Directory, CompoundManyEntries,
                         ::testing::Values(ManyEntriesCase{"FortyThousandStreams", 40000, false},
                                           ManyEntriesCase{"SiblingChainOfFiftyThousand", 50000,
                                                           true}),
                         [](const auto& param_info) { return param_info.param.name; });

}  // namespace
}  // namespace pptfile
