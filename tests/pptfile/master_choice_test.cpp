// Which master a new slide follows: the one of the slide before it (through
// its title master if it has one), else the first main master; the new slide
// names that master, takes its title placeholder and its colour scheme.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"
#include "pptfile/file_io.h"
#include "pptfile/master_probe.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"

namespace pptfile {
namespace {

using testing::OwnColourScheme;
using testing::PlaceholderRect;
using testing::RestyleMaster;
using testing::SlideAtomMaster;

using Bytes = std::vector<std::uint8_t>;

const std::filesystem::path kGoodDir =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "good";

constexpr std::uint32_t kFirst = 0x80000000u;
// WithMaster.ppt: two main masters, both slides on the second.
constexpr std::uint32_t kWithMasterSecond = 0x8000000Cu;
// slide_master.ppt: slides on 0x80000001, on 0x80000002, and on title master
// 0x80000003, which follows 0x80000002.
constexpr std::uint32_t kOwnFirst = 0x80000001u;
constexpr std::uint32_t kOwnSecond = 0x80000002u;
constexpr std::uint32_t kTitleMaster = 0x80000003u;

// Where the tests move a master's title, unlike any master of the corpus
// (whose masters also share one colour scheme; RestyleMaster changes that).
constexpr Rect kMovedTitle{50.0f, 300.0f, 620.0f, 80.0f};

constexpr std::uint8_t kTitlePlaceholder = 0x0D;

Bytes Corpus(const std::string& name) {
    return ReadWholeFile(kGoodDir / name);
}

const Bytes& Doc(const SourcePresentation& p) {
    return p.parsed().DocumentStream();
}

// The document stream of a written file: the compound file around it may
// carry the time it was written.
Bytes DocumentOf(const Bytes& file) {
    return ReadCompoundFile(file).Find("PowerPoint Document")->data;
}

template <typename Case>
std::string NameOf(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// ---------------------------------------------------------------------------
// What the reader says each slide follows.

struct ReadCase {
    const char* name;
    const char* file;
    std::vector<std::uint32_t> slide_masters;
};

class MasterReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(MasterReadTest, EachSlideFollowsItsMaster) {
    const ReadCase& c = GetParam();
    const SourcePresentation p = SourcePresentation::Open(kGoodDir / c.file);
    std::vector<std::uint32_t> read;
    for (const SlideSummary& s : p.Slides()) {
        read.push_back(s.master_id);
    }
    EXPECT_EQ(read, c.slide_masters);
}

INSTANTIATE_TEST_SUITE_P(Corpus, MasterReadTest,
                         ::testing::Values(ReadCase{"TwoMastersSlidesOnTheSecond",
                                                    "WithMaster.ppt",
                                                    {kWithMasterSecond, kWithMasterSecond}},
                                           ReadCase{"TitleMasterLeadsToItsMainMaster",
                                                    "slide_master.ppt",
                                                    {kOwnFirst, kOwnSecond, kOwnSecond}},
                                           ReadCase{
                                               "OneMaster", "SampleShow.ppt", {kFirst, kFirst}},
                                           ReadCase{"NoSlides", "empty.ppt", {}}),
                         NameOf<ReadCase>);

TEST(MasterTitleRectTest, FollowsTheMasterNamedAndFallsBackToTheFirst) {
    const SourcePresentation p = SourcePresentation::FromBytes(
        RestyleMaster(Corpus("slide_master.ppt"), kOwnSecond, kMovedTitle));
    const Rect first = p.MasterTitleRect();
    ASSERT_NE(first, kMovedTitle);
    struct Row {
        std::uint32_t master_id;
        Rect expected;
    };
    for (const Row& row : {Row{kOwnSecond, kMovedTitle}, Row{kTitleMaster, kMovedTitle},
                           Row{kOwnFirst, first}, Row{0, first}, Row{0x12345678u, first}}) {
        EXPECT_EQ(p.MasterTitleRect(row.master_id), row.expected) << std::hex << row.master_id;
    }
}

// ---------------------------------------------------------------------------
// Saving a new slide onto a template and reading it back.

// The design a new slide takes: the main master it follows and where that
// master puts the title.
struct SlideDesign {
    std::uint32_t master_id = 0;
    Rect title_rect;
};

// What PowerPoint gives a slide added after the last: the master of the slide
// before it, or the first main master in a file without slides.
SlideDesign AfterTheLastSlide(const SourcePresentation& source) {
    const std::uint32_t master_id = source.Slides().empty()
                                        ? source.parsed().main_masters.front().listed.slide_id
                                        : source.Slides().back().master_id;
    return {master_id, source.MasterTitleRect(master_id)};
}

struct SaveCase {
    const char* name;
    const char* file;
    std::uint32_t moved_master;  // whose title is moved to kMovedTitle
    std::size_t position;        // of the new slide among the template's
    std::uint32_t expected_master;
    bool expect_moved_title;
};

class MasterSaveTest : public ::testing::TestWithParam<SaveCase> {};

TEST_P(MasterSaveTest, NewSlideNamesTheMasterAndTakesItsTitleAndColours) {
    const SaveCase& c = GetParam();
    const SourcePresentation source =
        SourcePresentation::FromBytes(RestyleMaster(Corpus(c.file), c.moved_master, kMovedTitle));
    const SlideDesign design{c.expected_master, source.MasterTitleRect(c.expected_master)};
    ASSERT_EQ(design.title_rect == kMovedTitle, c.expect_moved_title);

    SlideContent added;
    added.title = u"bracket_multiple";
    added.title_rect = design.title_rect;
    added.master_id = design.master_id;
    SaveJob job;
    job.source = &source;
    for (std::size_t i = 0; i < source.Slides().size(); ++i) {
        if (i == c.position) {
            job.slides.emplace_back(&added);
        }
        job.slides.emplace_back(i);
    }
    if (c.position >= source.Slides().size()) {
        job.slides.emplace_back(&added);
    }

    const SourcePresentation saved = SourcePresentation::FromBytes(WritePresentation(job));
    ASSERT_EQ(saved.Slides().size(), source.Slides().size() + 1);
    const std::size_t at = std::min(c.position, source.Slides().size());
    EXPECT_EQ(saved.Slides()[at].title, u"bracket_multiple");
    EXPECT_EQ(saved.Slides()[at].master_id, c.expected_master);
    const std::size_t offset = saved.parsed().slides[at].offset;
    EXPECT_EQ(SlideAtomMaster(Doc(saved), offset), c.expected_master);
    EXPECT_EQ(PlaceholderRect(Doc(saved), offset, kTitlePlaceholder), design.title_rect);
    const MainMasterInfo* master = saved.parsed().FindMainMaster(c.expected_master);
    ASSERT_NE(master, nullptr);
    const Bytes master_scheme = OwnColourScheme(Doc(saved), master->listed.offset);
    ASSERT_EQ(master_scheme.size(), 32u);
    EXPECT_EQ(master_scheme[0] == 0x12, c.expect_moved_title);
    EXPECT_EQ(OwnColourScheme(Doc(saved), offset), master_scheme);
    // The template's slides still follow their own masters.
    for (std::size_t i = 0; i < source.Slides().size(); ++i) {
        const std::size_t j = i < at ? i : i + 1;
        EXPECT_EQ(saved.Slides()[j].master_id, source.Slides()[i].master_id) << "slide " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Templates, MasterSaveTest,
    ::testing::Values(
        SaveCase{"AfterSlidesOnTheSecondMaster", "WithMaster.ppt", kWithMasterSecond, 2,
                 kWithMasterSecond, true},
        SaveCase{"AtTheFrontTakesTheFirstMaster", "WithMaster.ppt", kWithMasterSecond, 0, kFirst,
                 false},
        SaveCase{"AtTheFrontOfAMovedFirstMaster", "WithMaster.ppt", kFirst, 0, kFirst, true},
        SaveCase{"AfterATitleMasterSlide", "slide_master.ppt", kOwnSecond, 3, kOwnSecond, true},
        SaveCase{"BetweenSlidesOnTwoMasters", "slide_master.ppt", kOwnSecond, 1, kOwnFirst, false},
        SaveCase{"IntoATemplateWithoutSlides", "empty.ppt", kFirst, 0, kFirst, true}),
    NameOf<SaveCase>);

// A template whose slides all follow the first master gets exactly what it
// got before slides followed the slide before them.
TEST(MasterChoiceTest, SlidesOnTheFirstMasterSaveAsBefore) {
    for (const char* file : {"SampleShow.ppt", "pictures.ppt", "empty.ppt"}) {
        const SourcePresentation source = SourcePresentation::Open(kGoodDir / file);
        SlideContent before;
        before.title = u"t";
        before.title_rect = source.MasterTitleRect();
        SlideContent now = before;
        const SlideDesign design = AfterTheLastSlide(source);
        now.title_rect = design.title_rect;
        now.master_id = design.master_id;
        const auto write = [&](const SlideContent& added) {
            SaveJob job;
            job.source = &source;
            for (std::size_t i = 0; i < source.Slides().size(); ++i) {
                job.slides.emplace_back(i);
            }
            job.slides.emplace_back(&added);
            return DocumentOf(WritePresentation(job));
        };
        EXPECT_EQ(write(now), write(before)) << file;
    }
}

// Every template of the corpus: the new last slide follows the master of
// the slide before it.
class CorpusMasterTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusMasterTest, NewLastSlideFollowsTheSlideBeforeIt) {
    const SourcePresentation source = SourcePresentation::Open(kGoodDir / GetParam());
    const SlideDesign design = AfterTheLastSlide(source);
    SlideContent added;
    added.title = u"last";
    added.title_rect = design.title_rect;
    added.master_id = design.master_id;
    SaveJob job;
    job.source = &source;
    for (std::size_t i = 0; i < source.Slides().size(); ++i) {
        job.slides.emplace_back(i);
    }
    job.slides.emplace_back(&added);
    const SourcePresentation saved = SourcePresentation::FromBytes(WritePresentation(job));
    ASSERT_EQ(saved.Slides().size(), source.Slides().size() + 1);
    EXPECT_EQ(saved.Slides().back().master_id, design.master_id);
    EXPECT_EQ(SlideAtomMaster(Doc(saved), saved.parsed().slides.back().offset), design.master_id);
}

std::vector<std::string> GoodFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kGoodDir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusMasterTest, ::testing::ValuesIn(GoodFiles()),
                         [](const ::testing::TestParamInfo<std::string>& file) {
                             std::string name = file.param.substr(0, file.param.rfind('.'));
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

// ---------------------------------------------------------------------------
// A master the presentation does not have is refused, and nothing is written.

struct RefusedCase {
    const char* name;
    const char* file;  // null: a blank presentation
    std::uint32_t master_id;
};

class MasterRefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(MasterRefusedTest, RefusesAMasterThePresentationDoesNotHave) {
    const RefusedCase& c = GetParam();
    std::optional<SourcePresentation> source;
    if (c.file != nullptr) {
        source.emplace(SourcePresentation::Open(kGoodDir / c.file));
    }
    SlideContent added;
    added.title = u"t";
    added.master_id = c.master_id;
    SaveJob job;
    job.source = source ? &*source : nullptr;
    job.slides.emplace_back(&added);
    try {
        (void)WritePresentation(job);
        FAIL() << "no error";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("slide master"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Masters, MasterRefusedTest,
    ::testing::Values(RefusedCase{"UnknownInATemplate", "WithMaster.ppt", 0x80000001u},
                      RefusedCase{"TitleMasterIsNoMainMaster", "slide_master.ppt", kTitleMaster},
                      RefusedCase{"OtherThanTheBlankOnesMaster", nullptr, kWithMasterSecond}),
    NameOf<RefusedCase>);

TEST(MasterChoiceTest, BlankPresentationAcceptsItsOwnMasterByName) {
    SlideContent by_zero;
    by_zero.title = u"t";
    by_zero.title_rect = kDefaultTitleRect;
    SlideContent by_name = by_zero;
    by_name.master_id = kFirst;
    SaveJob zero;
    zero.slides.emplace_back(&by_zero);
    SaveJob named;
    named.slides.emplace_back(&by_name);
    const Bytes written = WritePresentation(named);
    EXPECT_EQ(DocumentOf(written), DocumentOf(WritePresentation(zero)));
    EXPECT_EQ(SourcePresentation::FromBytes(written).Slides().front().master_id, kFirst);
}

}  // namespace
}  // namespace pptfile
