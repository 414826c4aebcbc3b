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

using Ids = std::vector<std::uint32_t>;

std::vector<std::uint32_t> Masters(const SourcePresentation& p) {
    Ids ids;
    for (const SlideSummary& s : p.Slides()) {
        ids.push_back(s.master_id);
    }
    return ids;
}

// A new slide at `position` naming `master` (0: the first main master) reads
// back on that master, the template's slides on theirs; a master the file
// does not have, or a title master, is refused.
TEST(MasterChoice, SlidesFollowTheirMainMasterAndANewOneTheMasterItNames) {
    constexpr std::uint32_t kFirst = 0x80000000u;
    // WithMaster.ppt: two main masters, both slides on the second.
    // slide_master.ppt: slides on 0x80000001, on 0x80000002, and on title
    // master 0x80000003, which follows 0x80000002.
    const Ids kWithMaster{0x8000000Cu, 0x8000000Cu},
        kSlideMaster{kFirst + 1, kFirst + 2, kFirst + 2};
    const struct {
        const char* file;  // null: a blank presentation
        Ids masters;
        std::size_t position;
        std::uint32_t master;
        bool refused = false;
    } kRows[] = {
        {"WithMaster.ppt", kWithMaster, 2, 0x8000000Cu},
        {"WithMaster.ppt", kWithMaster, 0, kFirst},
        {"WithMaster.ppt", kWithMaster, 0, kFirst + 1, true},
        {"slide_master.ppt", kSlideMaster, 3, kFirst + 2},
        {"slide_master.ppt", kSlideMaster, 1, kFirst + 1},
        {"slide_master.ppt", kSlideMaster, 0, kFirst + 3, true},
        {"SampleShow.ppt", {kFirst, kFirst}, 2, 0},
        {"empty.ppt", {}, 0, 0},
        {nullptr, {}, 0, kFirst},
        {nullptr, {}, 0, 0x8000000Cu, true},
    };
    for (const auto& row : kRows) {
        std::optional<SourcePresentation> source;
        SaveJob job;
        if (row.file != nullptr) {
            source.emplace(
                SourcePresentation::FromBytes(test::Corpus("good/" + std::string(row.file))));
            job.source = &*source;
            EXPECT_EQ(Masters(*source), row.masters) << row.file;
            for (std::size_t i = 0; i < row.masters.size(); ++i) {
                job.slides.emplace_back(i);
            }
        }
        const SlideContent added{u"bracket_multiple", kDefaultTitleRect, {}, row.master};
        job.slides.insert(job.slides.begin() + static_cast<std::ptrdiff_t>(row.position), &added);
        Ids expected = row.masters;
        expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(row.position),
                        row.master == 0 ? kFirst : row.master);
        try {
            const SourcePresentation saved = SourcePresentation::FromBytes(WritePresentation(job));
            EXPECT_FALSE(row.refused) << std::hex << row.master;
            EXPECT_EQ(Masters(saved), expected) << std::hex << row.master;
        } catch (const FormatError& e) {
            EXPECT_TRUE(row.refused) << e.what();
            EXPECT_NE(std::string(e.what()).find("slide master"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace pptfile
