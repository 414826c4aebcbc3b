// Which master a slide follows: as read (through its title master if it has
// one), and as a new slide names it when saved.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "pptfile/errors.h"
#include "pptfile/presentation.h"
#include "record_scan.h"

namespace pptfile {
namespace {

using test::Corpus;

constexpr std::uint32_t kFirst = 0x80000000u;
// WithMaster.ppt: two main masters, both slides on the second.
constexpr std::uint32_t kWithMasterSecond = 0x8000000Cu;
// slide_master.ppt: slides on 0x80000001, on 0x80000002, and on title master
// 0x80000003, which follows 0x80000002.
constexpr std::uint32_t kOwnFirst = 0x80000001u, kOwnSecond = 0x80000002u,
                        kTitleMaster = 0x80000003u;

std::vector<std::uint32_t> Masters(const SourcePresentation& p) {
    std::vector<std::uint32_t> ids;
    for (const SlideSummary& s : p.Slides()) {
        ids.push_back(s.master_id);
    }
    return ids;
}

TEST(MasterChoice, EachSlideFollowsItsMainMaster) {
    const auto read = [](const char* file) {
        return Masters(SourcePresentation::FromBytes(Corpus(std::string("good/") + file)));
    };
    using Ids = std::vector<std::uint32_t>;
    EXPECT_EQ(read("WithMaster.ppt"), (Ids{kWithMasterSecond, kWithMasterSecond}));
    EXPECT_EQ(read("slide_master.ppt"), (Ids{kOwnFirst, kOwnSecond, kOwnSecond}));
    EXPECT_EQ(read("SampleShow.ppt"), (Ids{kFirst, kFirst}));
    EXPECT_EQ(read("empty.ppt"), Ids{});
}

// A new slide at `position` naming `master`: it reads back on that master,
// and the template's slides on theirs.
TEST(MasterChoice, NewSlideFollowsTheMasterItNames) {
    const struct {
        const char* file;
        std::size_t position;
        std::uint32_t master;
    } kRows[] = {
        {"WithMaster.ppt", 2, kWithMasterSecond},
        {"WithMaster.ppt", 0, kFirst},
        {"slide_master.ppt", 3, kOwnSecond},
        {"slide_master.ppt", 1, kOwnFirst},
        {"empty.ppt", 0, kFirst},
        {"empty.ppt", 0, 0},
    };
    for (const auto& row : kRows) {
        const SourcePresentation source =
            SourcePresentation::FromBytes(Corpus(std::string("good/") + row.file));
        const SlideContent added{
            u"bracket_multiple", source.MasterTitleRect(row.master), {}, row.master};
        SaveJob job{&source, {}};
        std::vector<std::uint32_t> expected = Masters(source);
        for (std::size_t i = 0; i < source.Slides().size(); ++i) {
            job.slides.emplace_back(i);
        }
        job.slides.insert(job.slides.begin() + static_cast<std::ptrdiff_t>(row.position), &added);
        expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(row.position),
                        row.master == 0 ? kFirst : row.master);
        const SourcePresentation saved = SourcePresentation::FromBytes(WritePresentation(job));
        EXPECT_EQ(Masters(saved), expected) << row.file << " " << row.position;
    }
}

// A master the presentation does not have is refused, and nothing is written.
TEST(MasterChoice, AMasterThePresentationDoesNotHaveIsRefused) {
    const struct {
        const char* file;  // null: a blank presentation
        std::uint32_t master;
    } kRows[] = {
        {"WithMaster.ppt", 0x80000001u},
        {"slide_master.ppt", kTitleMaster},  // a title master is no main master
        {nullptr, kWithMasterSecond},
    };
    for (const auto& row : kRows) {
        std::optional<SourcePresentation> source;
        if (row.file != nullptr) {
            source.emplace(SourcePresentation::FromBytes(Corpus(std::string("good/") + row.file)));
        }
        const SlideContent added{u"t", kDefaultTitleRect, {}, row.master};
        try {
            (void)WritePresentation({source ? &*source : nullptr, {&added}});
            ADD_FAILURE() << "written: " << std::hex << row.master;
        } catch (const FormatError& e) {
            EXPECT_NE(std::string(e.what()).find("slide master"), std::string::npos) << e.what();
        }
    }
}

// A blank presentation's own master, named, is the one 0 stands for.
TEST(MasterChoice, BlankPresentationAcceptsItsOwnMasterByName) {
    const SlideContent by_zero{u"t", kDefaultTitleRect, {}, 0};
    const SlideContent by_name{u"t", kDefaultTitleRect, {}, kFirst};
    const auto doc = [](const SlideContent& s) {
        return test::Stream(WritePresentation({nullptr, {&s}}), "PowerPoint Document");
    };
    EXPECT_EQ(doc(by_name), doc(by_zero));
}

}  // namespace
}  // namespace pptfile
