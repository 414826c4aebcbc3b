// The reader against real files written by PowerPoint and other programs, and
// against damaged versions of them: every file either opens or raises
// FormatError naming the problem, and nothing crashes.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"
#include "pptfile/file_io.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"

namespace pptfile {
namespace {

const std::filesystem::path kDataDir =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "data";

std::vector<std::uint8_t> Load(const std::string& relative) {
    return ReadWholeFile(kDataDir / relative);
}

struct GoodFile {
    const char* name;
    float width;
    float height;
    Rect master_title;
    std::vector<std::u16string> titles;  // one per slide, in show order
    bool recovered = false;
};

const Rect kWideTitle{59.375f, 54.375f, 673.25f, 102.0f};

// Slide counts and titles as Apache POI reports them; "" where POI finds no
// title.
const GoodFile kGoodFiles[] = {
    // clang-format off
    {"54880_chinese.ppt", 720, 540, kDefaultTitleRect, {u""}},
    {"57272_corrupted_usereditatom.ppt", 720, 540, kDefaultTitleRect, {u"", u"", u"", u"", u"", u""}, true},
    {"SampleShow.ppt", 720, 540, kDefaultTitleRect, {u"Title of the first slide", u"This is the second slide"}},
    {"Single_Coloured_Page.ppt", 720, 540, kDefaultTitleRect, {u"This is a title, it\u2019s in black"}},
    {"WithMacros.ppt", 720, 540, kDefaultTitleRect, {u""}},
    {"WithMaster.ppt", 720, 540, kDefaultTitleRect, {u"First page title", u""}},
    {"backgrounds.ppt", 792, 612, kWideTitle, {u"", u"", u"", u""}},
    {"basic_test_ppt_file.ppt", 720, 540, kDefaultTitleRect, {u"This is a test title", u"This is the title on page 2"}},
    {"bullets.ppt", 720, 540, kDefaultTitleRect, {u"Title text", u""}},
    {"empty.ppt", 720, 540, kDefaultTitleRect, {}},
    {"headers_footers.ppt", 720, 540, kDefaultTitleRect, {u"", u""}},
    {"incorrect_slide_order.ppt", 720, 540, kDefaultTitleRect, {u"Slide 1", u"Slide 2", u"Slide 3"}},
    {"ole2-embedding-2003.ppt", 720, 540, kDefaultTitleRect, {u"OLE Embedding"}},
    {"pictures.ppt", 792, 612, kWideTitle, {u"", u"", u"", u"", u""}},
    {"slide_master.ppt", 720, 540, kDefaultTitleRect, {u"Slide Masters", u"Slide Masters (cont\u2019d)", u"I\u2019m a slide with a Title layout"}},
    {"table_test.ppt", 960, 540, Rect{66.0f, 28.75f, 828.0f, 104.375f}, {u""}},
    {"text_shapes.ppt", 720, 540, kDefaultTitleRect, {u"Title Placeholder"}},
    {"with_textbox.ppt", 720, 540, Rect{54.0f, 48.0f, 612.0f, 90.0f}, {u""}},
    // clang-format on
};

class ReaderGoodFile : public ::testing::TestWithParam<GoodFile> {};

TEST_P(ReaderGoodFile, OpensWithItsSlidesTitlesAndSizes) {
    const GoodFile& f = GetParam();
    const SourcePresentation p = SourcePresentation::Open(kDataDir / "good" / f.name);
    EXPECT_EQ(p.SlideWidth(), f.width);
    EXPECT_EQ(p.parsed().slide_height, f.height);
    EXPECT_EQ(p.MasterTitleRect(), f.master_title);
    EXPECT_EQ(p.parsed().recovered, f.recovered);
    ASSERT_EQ(p.Slides().size(), f.titles.size());
    for (std::size_t i = 0; i < f.titles.size(); ++i) {
        EXPECT_EQ(p.Slides()[i].title, f.titles[i]) << "slide " << i + 1;
    }
}

std::string FileTestName(const std::string& file) {
    std::string out;
    for (char c : file.substr(0, file.rfind('.'))) {
        out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Corpus, ReaderGoodFile, ::testing::ValuesIn(kGoodFiles),
                         [](const auto& test_info) { return FileTestName(test_info.param.name); });

TEST(ReaderGoodFiles, TableCoversEveryFile) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kDataDir / "good")) {
        ++count;
        bool listed = false;
        for (const GoodFile& f : kGoodFiles) {
            listed = listed || entry.path().filename() == f.name;
        }
        EXPECT_TRUE(listed) << entry.path();
    }
    EXPECT_EQ(count, std::size(kGoodFiles));
}

struct BadFile {
    const char* name;
    const char* message;
};

const BadFile kBadFiles[] = {
    // clang-format off
    {"PPT95.ppt", "a PowerPoint 95 or older file, not 97-2003"},
    {"Password_Protected-hello.ppt", "the template is encrypted"},
    {"clusterfuzz-testcase-minimized-POIHSLFFuzzer-5962760801091584.ppt", "the file is damaged: broken compound file"},
    {"clusterfuzz-testcase-minimized-POIHSLFFuzzer-6614960949821440.ppt", "the file is damaged: broken compound file"},
    // clang-format on
};

class ReaderBadFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(ReaderBadFile, RaisesFormatErrorNamingTheProblem) {
    try {
        (void)SourcePresentation::Open(kDataDir / "bad" / GetParam().name);
        FAIL() << "opened";
    } catch (const FormatError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(GetParam().message, 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, ReaderBadFile, ::testing::ValuesIn(kBadFiles),
                         [](const auto& test_info) { return FileTestName(test_info.param.name); });

struct NotPresentation {
    const char* name;
    std::vector<std::uint8_t> bytes;
};

class ReaderNotPresentation : public ::testing::TestWithParam<NotPresentation> {};

TEST_P(ReaderNotPresentation, IsNotAPowerPointFile) {
    try {
        (void)SourcePresentation::FromBytes(GetParam().bytes);
        FAIL() << "opened";
    } catch (const FormatError& e) {
        EXPECT_STREQ(e.what(), "not a PowerPoint 97-2003 file");
    }
}

std::vector<std::uint8_t> CompoundWith(const char* stream_name) {
    StorageEntry root;
    root.is_storage = true;
    StorageEntry s;
    s.name = stream_name;
    s.data = {1, 2, 3, 4};
    root.children.push_back(s);
    return WriteCompoundFile(root);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ReaderNotPresentation,
    ::testing::Values(NotPresentation{"Empty", {}},
                      NotPresentation{"Text", {'h', 'e', 'l', 'l', 'o'}},
                      NotPresentation{"Zip", {'P', 'K', 3, 4, 20, 0, 0, 0, 8, 0}},
                      NotPresentation{"SignatureCut", {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1}},
                      NotPresentation{"WordDocument", CompoundWith("WordDocument")}),
    [](const auto& test_info) { return std::string(test_info.param.name); });

// Damaged versions of real files: each opens or raises FormatError; anything
// else (another exception, a crash, a sanitizer report) is a fault.
void ExpectOpensOrFormatError(std::span<const std::uint8_t> bytes, const std::string& what) {
    try {
        (void)SourcePresentation::FromBytes(bytes);
    } catch (const FormatError&) {
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": unexpected " << e.what();
    }
}

// A fixed generator, so a failure names a mutation that can be replayed.
struct Lcg {
    std::uint64_t state;
    std::uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    }
};

class ReaderMutation : public ::testing::TestWithParam<const char*> {};

TEST_P(ReaderMutation, TruncatedFilesOpenOrRaise) {
    const auto bytes = Load(std::string("good/") + GetParam());
    for (std::size_t keep :
         {std::size_t{0}, std::size_t{7}, std::size_t{512}, std::size_t{513}, bytes.size() / 4,
          bytes.size() / 2, bytes.size() - 512, bytes.size() - 1}) {
        ExpectOpensOrFormatError(std::span(bytes).first(keep),
                                 "kept " + std::to_string(keep) + " bytes");
    }
}

TEST_P(ReaderMutation, BitFlipsInTheFileOpenOrRaise) {
    const auto bytes = Load(std::string("good/") + GetParam());
    Lcg rng{bytes.size()};
    for (int i = 0; i < 150; ++i) {
        auto copy = bytes;
        const std::size_t at = rng.Next() % copy.size();
        copy[at] ^= static_cast<std::uint8_t>(1u << (rng.Next() % 8));
        ExpectOpensOrFormatError(copy, "flip at " + std::to_string(at));
    }
}

// Flips inside the document stream, written back as a sound compound file,
// reach the record reader rather than the container layer.
TEST_P(ReaderMutation, DamagedRecordsOpenOrRaise) {
    const StorageEntry original = ReadCompoundFile(Load(std::string("good/") + GetParam()));
    const std::size_t size = original.Find("PowerPoint Document")->data.size();
    Lcg rng{size};
    for (int i = 0; i < 150; ++i) {
        StorageEntry copy = original;
        auto& data = copy.Find("PowerPoint Document")->data;
        std::string what;
        for (int flips = 0; flips < 1 + i % 4; ++flips) {
            const std::size_t at = rng.Next() % data.size();
            // Length and offset fields are where damage bites: set whole bytes.
            data[at] = static_cast<std::uint8_t>(rng.Next());
            what += std::to_string(at) + " ";
        }
        if (i % 10 == 9) {
            data.resize(rng.Next() % data.size());
        }
        ExpectOpensOrFormatError(WriteCompoundFile(copy), "bytes changed at " + what);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, ReaderMutation,
                         ::testing::Values("SampleShow.ppt", "57272_corrupted_usereditatom.ppt",
                                           "ole2-embedding-2003.ppt", "WithMacros.ppt"),
                         [](const auto& test_info) { return FileTestName(test_info.param); });

}  // namespace
}  // namespace pptfile
