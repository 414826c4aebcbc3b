// Slides.Add on a template with several masters: the new slide follows the
// master of the slide before it (a template slide's, through its title master
// if it has one, or an added slide's), the first master at the front. Its
// title sits where that master puts titles, and the saved slide names it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "automation/text_codec.h"
#include "automation/types.h"
#include "automation_calls.h"
#include "engine/application_class.h"
#include "pptfile/file_io.h"
#include "pptfile/master_probe.h"
#include "pptfile/presentation.h"
#include "support/temp_folder.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;
using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;

const fs::path kGoodDir = fs::path(__FILE__).parent_path().parent_path() / "data" / "good";

constexpr std::uint32_t kFirst = 0x80000000u;
constexpr std::uint32_t kWithMasterSecond = 0x8000000Cu;  // both WithMaster.ppt slides
constexpr std::uint32_t kOwnFirst = 0x80000001u;          // slide_master.ppt's slide 1
constexpr std::uint32_t kOwnSecond = 0x80000002u;         // its slide 2, and its title master's
constexpr std::uint32_t kTitleMaster = 0x80000003u;       // its slide 3

// Where the restyled master puts titles, unlike any master of the corpus.
constexpr pptfile::Rect kMovedTitle{50.0f, 300.0f, 620.0f, 80.0f};

struct Case {
    const char* name;
    const char* file;
    std::uint32_t restyled_master;
    // Slides.Add positions in call order; each new slide's title "new N".
    std::vector<std::int32_t> adds;
    // The masters the saved slides name, in show order.
    std::vector<std::uint32_t> saved_masters;
};

std::string NameOf(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

class EngineMasterTest : public ::testing::TestWithParam<Case> {
  protected:
    test_support::TempFolder dir_{"zbn-engine-master"};
};

float TitleProperty(const DispatchPtr& slide, automation::DISPID member) {
    return Call(GetObject(GetObject(slide, 2003), 2006), member, DISPATCH_PROPERTYGET).AsR4();
}

TEST_P(EngineMasterTest, NewSlideFollowsTheSlideBeforeIt) {
    const Case& c = GetParam();
    const fs::path template_path = dir_.path() / "design.pot";
    const std::vector<std::uint8_t> restyled = pptfile::testing::RestyleMaster(
        pptfile::ReadWholeFile(kGoodDir / c.file), c.restyled_master, kMovedTitle);
    pptfile::WriteFileAtomically(template_path, restyled);
    const pptfile::SourcePresentation source = pptfile::SourcePresentation::FromBytes(restyled);

    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentation =
        GetObject(GetObject(app, 2001), 2005,
                  {Variant::Bstr(automation::DecodeOsString(template_path.string())),
                   Variant::I4(0), Variant::I4(-1), Variant::I4(-1)},
                  DISPATCH_METHOD);
    DispatchPtr slides = GetObject(presentation, 2011);
    int n = 0;
    for (std::int32_t index : c.adds) {
        AddTitledSlide(slides, index, u"new " + automation::FromUtf8(std::to_string(++n)));
    }
    const fs::path out = dir_.path() / "out.ppt";
    SaveAs(presentation, out);

    const pptfile::SourcePresentation saved = pptfile::SourcePresentation::Open(out);
    ASSERT_EQ(saved.Slides().size(), c.saved_masters.size());
    std::vector<std::uint32_t> masters;
    for (std::size_t i = 0; i < saved.Slides().size(); ++i) {
        masters.push_back(pptfile::testing::SlideAtomMaster(saved.parsed().DocumentStream(),
                                                            saved.parsed().slides[i].offset));
    }
    EXPECT_EQ(masters, c.saved_masters);

    // Each new slide's title, as the client reads it and as saved, is where
    // its master puts titles.
    for (std::size_t i = 0; i < saved.Slides().size(); ++i) {
        if (saved.Slides()[i].title.rfind(u"new ", 0) != 0) {
            continue;
        }
        const pptfile::Rect expected = source.MasterTitleRect(c.saved_masters[i]);
        DispatchPtr slide =
            GetObject(slides, 0, {Variant::I4(static_cast<std::int32_t>(i + 1))}, DISPATCH_METHOD);
        EXPECT_EQ(TitleProperty(slide, 123), expected.top) << "slide " << i + 1;
        EXPECT_EQ(TitleProperty(slide, 109), expected.height) << "slide " << i + 1;
        EXPECT_EQ(pptfile::testing::PlaceholderRect(saved.parsed().DocumentStream(),
                                                    saved.parsed().slides[i].offset, 0x0D),
                  expected)
            << "slide " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Templates, EngineMasterTest,
    ::testing::Values(
        // The problem as users met it: the viewer slide after slides on the
        // second master.
        Case{"AfterSlidesOnTheSecondMaster",
             "WithMaster.ppt",
             kWithMasterSecond,
             {3},
             {kWithMasterSecond, kWithMasterSecond, kWithMasterSecond}},
        Case{"AtTheFrontTheFirstMaster",
             "WithMaster.ppt",
             kWithMasterSecond,
             {1},
             {kFirst, kWithMasterSecond, kWithMasterSecond}},
        // The second added slide follows the first added one, not the
        // template slide after it.
        Case{"AfterAnAddedSlide",
             "WithMaster.ppt",
             kWithMasterSecond,
             {1, 2},
             {kFirst, kFirst, kWithMasterSecond, kWithMasterSecond}},
        Case{"AfterAnAddedSlideOnTheSecondMaster",
             "WithMaster.ppt",
             kWithMasterSecond,
             {3, 4},
             {kWithMasterSecond, kWithMasterSecond, kWithMasterSecond, kWithMasterSecond}},
        Case{"AfterATitleMasterSlide",
             "slide_master.ppt",
             kOwnSecond,
             {4},
             {kOwnFirst, kOwnSecond, kTitleMaster, kOwnSecond}},
        Case{"BetweenSlidesOnTwoMasters",
             "slide_master.ppt",
             kOwnSecond,
             {2},
             {kOwnFirst, kOwnFirst, kOwnSecond, kTitleMaster}},
        Case{"OneMasterUnchanged",
             "SampleShow.ppt",
             kFirst,
             {3, 1},
             {kFirst, kFirst, kFirst, kFirst}},
        Case{"TemplateWithoutSlides", "empty.ppt", kFirst, {1, 2}, {kFirst, kFirst}}),
    NameOf);

}  // namespace
}  // namespace engine_test
