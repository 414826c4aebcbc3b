// Slides.Add on a template written by PowerPoint with several masters: the new
// slide follows the master of the slide before it (through its title master
// when it is on one), the first master at the front, and its title sits where
// that master puts titles.
#include <string>
#include <vector>

#include "engine_test.h"
#include "pptfile/presentation.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

const fs::path kGoodDir = fs::path(__FILE__).parent_path().parent_path() / "data" / "good";

// The main masters of the corpus files, by the ids PowerPoint gave them.
constexpr std::uint32_t kFirst = 0x80000000u;
constexpr std::uint32_t kWithMasterSecond = 0x8000000Cu;  // both WithMaster.ppt slides
constexpr std::uint32_t kOwnFirst = 0x80000001u;          // slide_master.ppt's slide 1
constexpr std::uint32_t kOwnSecond = 0x80000002u;  // its slide 2, and slide 3's title master's

struct Case {
    const char* name;
    const char* file;
    std::vector<std::int32_t> adds;  // Slides.Add positions in call order
    std::vector<std::uint32_t> saved_masters;
};

class EngineMasterTest : public ::testing::TestWithParam<Case> {};

TEST_P(EngineMasterTest, NewSlideFollowsTheSlideBeforeIt) {
    const Case& c = GetParam();
    test_support::TempFolder folder("zbn-engine-master");
    const auto source = pptfile::SourcePresentation::Open(kGoodDir / c.file);
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentation = OpenTemplate(app, kGoodDir / c.file);
    DispatchPtr slides = Get(presentation, 2011);
    for (const std::int32_t index : c.adds) {
        AddTitledSlide(slides, index, u"new");
    }
    SaveAs(presentation, folder.path() / "out.ppt");

    const auto saved = pptfile::SourcePresentation::Open(folder.path() / "out.ppt");
    std::vector<std::uint32_t> masters;
    for (std::size_t i = 0; i < saved.Slides().size(); ++i) {
        masters.push_back(saved.Slides()[i].master_id);
        if (saved.Slides()[i].title != u"new") {
            continue;
        }
        const pptfile::Rect expected = source.MasterTitleRect(saved.Slides()[i].master_id);
        DispatchPtr slide = Get(slides, 0, {Variant::I4(static_cast<std::int32_t>(i + 1))}, 1);
        DispatchPtr title = Get(Get(slide, 2003), 2006);
        EXPECT_EQ(Call(title, 123, DISPATCH_PROPERTYGET).AsR4(), expected.top) << i;
        EXPECT_EQ(Call(title, 109, DISPATCH_PROPERTYGET).AsR4(), expected.height) << i;
    }
    EXPECT_EQ(masters, c.saved_masters);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, EngineMasterTest,
    ::testing::Values(
        // clang-format off
        // The problem as users met it: the viewer slide after slides on the second master.
        Case{"AfterSlidesOnTheSecondMaster", "WithMaster.ppt", {3}, {kWithMasterSecond, kWithMasterSecond, kWithMasterSecond}},
        Case{"AtTheFrontTheFirstMaster", "WithMaster.ppt", {1}, {kFirst, kWithMasterSecond, kWithMasterSecond}},
        // The second added slide follows the first added one.
        Case{"AfterAnAddedSlide", "WithMaster.ppt", {1, 2}, {kFirst, kFirst, kWithMasterSecond, kWithMasterSecond}},
        Case{"AfterATitleMasterSlide", "slide_master.ppt", {4}, {kOwnFirst, kOwnSecond, kOwnSecond, kOwnSecond}},
        Case{"BetweenSlidesOnTwoMasters", "slide_master.ppt", {2}, {kOwnFirst, kOwnFirst, kOwnSecond, kOwnSecond}},
        Case{"TemplateWithoutSlides", "empty.ppt", {1, 2}, {kFirst, kFirst}}),
    // clang-format on
    test_support::CaseName());

}  // namespace
}  // namespace engine_test
