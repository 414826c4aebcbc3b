// The reader against files built record by record: what it reads, and how it
// treats each kind of structural damage.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "pptfile/errors.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/reader_test_builder.h"

namespace pptfile {
namespace {

using testing::BuildFile;
using testing::BuildOptions;
using testing::BuiltControl;
using testing::BuiltSlide;
using testing::EditLink;

BuildOptions TwoSlides() {
    BuildOptions o;
    o.slides.push_back(BuiltSlide{u"First", true, {BuiltControl{}}});
    o.slides.push_back(BuiltSlide{u"Second by reference", false, {}});
    return o;
}

TEST(ReaderStructure, ReadsSizeTitlesControlsAndMasterTitle) {
    const auto bytes = BuildFile(TwoSlides());
    const SourcePresentation p = SourcePresentation::FromBytes(bytes);
    EXPECT_EQ(p.SlideWidth(), 720.0f);
    EXPECT_EQ(p.parsed().slide_height, 540.0f);
    EXPECT_EQ(p.MasterTitleRect(), kDefaultTitleRect);
    ASSERT_EQ(p.Slides().size(), 2u);
    EXPECT_EQ(p.Slides()[0].title, u"First");
    EXPECT_EQ(p.Slides()[1].title, u"Second by reference");
    ASSERT_EQ(p.Slides()[0].controls.size(), 1u);
    EXPECT_TRUE(p.Slides()[1].controls.empty());

    const ControlObject& c = p.Slides()[0].controls[0];
    const BuiltControl expected;
    EXPECT_EQ(c.prog_id, u"TRELVO.TrelvoCtrl.1");
    EXPECT_EQ(c.anchor, (Rect{60.0f, 113.625f, 600.0f, 400.0f}));
    EXPECT_EQ(c.clsid, expected.clsid);
    EXPECT_EQ(c.state, expected.contents);

    const auto& parsed = p.parsed();
    EXPECT_FALSE(parsed.recovered);
    EXPECT_EQ(parsed.slides.size(), 2u);
    EXPECT_EQ(parsed.max_slide_id, 257u);
    ASSERT_EQ(parsed.main_masters.size(), 1u);
    EXPECT_EQ(parsed.main_masters.front().listed.persist_id, 2u);
    EXPECT_EQ(parsed.max_object_id, 1u);
    EXPECT_EQ(parsed.persist_directory.size(), 5u);
}

TEST(ReaderStructure, ReadsUncompressedControlStorage) {
    BuildOptions o;
    BuiltControl c;
    c.compressed = false;
    c.contents.assign(3000, 0x5A);
    o.slides.push_back(BuiltSlide{u"T", true, {c}});
    const SourcePresentation p = SourcePresentation::FromBytes(BuildFile(o));
    ASSERT_EQ(p.Slides().at(0).controls.size(), 1u);
    EXPECT_EQ(p.Slides()[0].controls[0].state, c.contents);
}

TEST(ReaderStructure, LaterEditOverridesEarlierDocument) {
    BuildOptions o = TwoSlides();
    o.second_edit = true;
    const SourcePresentation p = SourcePresentation::FromBytes(BuildFile(o));
    EXPECT_FALSE(p.parsed().recovered);
    // The second edit rewrote the document; the directory must point there.
    EXPECT_GT(p.parsed().document_offset, p.parsed().slides.back().offset);
    EXPECT_EQ(p.Slides().size(), 2u);
}

struct LinkCase {
    const char* name;
    EditLink link;
    bool recovered;
};

class ReaderEditLink : public ::testing::TestWithParam<LinkCase> {};

// A broken link to the previous edit is repaired from the edits found in the
// stream, and every slide of the first edit is still found.
TEST_P(ReaderEditLink, OpensWithEverySlide) {
    BuildOptions o = TwoSlides();
    o.second_edit = true;
    o.second_edit_link = GetParam().link;
    const SourcePresentation p = SourcePresentation::FromBytes(BuildFile(o));
    EXPECT_EQ(p.parsed().recovered, GetParam().recovered);
    ASSERT_EQ(p.Slides().size(), 2u);
    EXPECT_EQ(p.Slides()[1].title, u"Second by reference");
    EXPECT_EQ(p.Slides()[0].controls.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Links, ReaderEditLink,
                         ::testing::Values(LinkCase{"Good", EditLink::kGood, false},
                                           LinkCase{"Self", EditLink::kSelf, true},
                                           LinkCase{"PastEnd", EditLink::kPastEnd, true},
                                           LinkCase{"IntoRecord", EditLink::kIntoRecord, true},
                                           LinkCase{"Forward", EditLink::kForward, true}),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

struct CurrentUserCase {
    const char* name;
    std::function<void(BuildOptions&)> change;
};

class ReaderCurrentUser : public ::testing::TestWithParam<CurrentUserCase> {};

// Without a usable pointer to the current edit the last edit of the stream is
// the current one.
TEST_P(ReaderCurrentUser, FallsBackToLastEdit) {
    BuildOptions o = TwoSlides();
    o.second_edit = true;
    GetParam().change(o);
    const SourcePresentation p = SourcePresentation::FromBytes(BuildFile(o));
    EXPECT_TRUE(p.parsed().recovered);
    EXPECT_EQ(p.Slides().size(), 2u);
    EXPECT_GT(p.parsed().last_edit.offset, p.parsed().document_offset);
}

INSTANTIATE_TEST_SUITE_P(
    Pointers, ReaderCurrentUser,
    ::testing::Values(
        CurrentUserCase{"Missing", [](BuildOptions& o) { o.current_user = false; }},
        CurrentUserCase{"PointsAtGarbage", [](BuildOptions& o) { o.current_edit_override = 3; }},
        CurrentUserCase{"PointsPastEnd",
                        [](BuildOptions& o) { o.current_edit_override = 1u << 30; }},
        CurrentUserCase{"UnknownToken", [](BuildOptions& o) { o.header_token = 0x12345678u; }}),
    [](const auto& test_info) { return std::string(test_info.param.name); });

struct DamageCase {
    const char* name;
    std::function<void(BuildOptions&)> change;
    const char* message;
};

class ReaderDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(ReaderDamage, RaisesFormatErrorNamingTheProblem) {
    BuildOptions o = TwoSlides();
    GetParam().change(o);
    const auto bytes = BuildFile(o);
    try {
        (void)SourcePresentation::FromBytes(bytes);
        FAIL() << "opened";
    } catch (const FormatError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReaderDamage,
    ::testing::Values(
        DamageCase{"Encrypted", [](BuildOptions& o) { o.header_token = 0xF3D1C4DFu; },
                   "the template is encrypted"},
        DamageCase{"SlideMissingFromDirectory",
                   [](BuildOptions& o) { o.drop_first_slide_from_directory = true; },
                   "the file is damaged: a slide is missing from the persist directory"},
        DamageCase{"SlideListedTwice", [](BuildOptions& o) { o.list_first_slide_twice = true; },
                   "the file is damaged: a slide is listed twice"},
        DamageCase{"EditsShareDirectory",
                   [](BuildOptions& o) {
                       o.second_edit = true;
                       o.second_edit_reuses_directory = true;
                   },
                   "the file is damaged: two user edits share a persist directory"},
        DamageCase{"ZeroSlideWidth", [](BuildOptions& o) { o.width = 0; },
                   "the file is damaged: the slide size is out of range"},
        DamageCase{"NegativeSlideHeight", [](BuildOptions& o) { o.height = -8; },
                   "the file is damaged: the slide size is out of range"},
        DamageCase{"GroupsTooDeep", [](BuildOptions& o) { o.group_depth = 40; },
                   "the file is damaged: shape groups are nested too deeply"},
        DamageCase{"StorageLargerThanStated",
                   [](BuildOptions& o) {
                       o.slides[0].controls[0].contents.assign(20000, 0);
                       o.slides[0].controls[0].stated_size_override = 100;
                   },
                   "the file is damaged: a control's storage expands beyond its stated size"},
        DamageCase{
            "StorageClaimsHugeSize",
            [](BuildOptions& o) { o.slides[0].controls[0].stated_size_override = 0xFFFFFFF0u; },
            "the file is damaged: a control's storage is larger than the file allows"}),
    [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(ReaderStructure, NestedGroupsWithinLimitAreRead) {
    BuildOptions o = TwoSlides();
    o.group_depth = 20;
    const SourcePresentation p = SourcePresentation::FromBytes(BuildFile(o));
    EXPECT_EQ(p.Slides()[0].title, u"First");
    EXPECT_EQ(p.Slides()[0].controls.size(), 1u);
}

// A template's slides are copied as they are, so a damaged control storage on
// one of them does not keep the template from opening when controls are not
// asked for.
TEST(ReaderStructure, ControlsAreLeftUnreadWhenNotAskedFor) {
    BuildOptions o = TwoSlides();
    o.slides[0].controls[0].stated_size_override = 0xFFFFFFF0u;
    const SourcePresentation p =
        SourcePresentation::FromBytes(BuildFile(o), SlideDetail::kWithoutControls);
    ASSERT_EQ(p.Slides().size(), 2u);
    EXPECT_EQ(p.Slides()[0].title, u"First");
    EXPECT_TRUE(p.Slides()[0].controls.empty());
}

}  // namespace
}  // namespace pptfile
