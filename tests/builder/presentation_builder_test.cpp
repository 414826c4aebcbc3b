// The builder's conversation when everything answers: compared call by call
// with the conversation it must hold.
#include "builder/presentation_builder.h"

#include <gtest/gtest.h>

#include <ostream>

#include "builder/builder_fixture.h"

namespace builder_test {
namespace {

using test_support::PresentationAppSetup;

struct ConversationCase {
    const char* name;
    PresentationAppSetup setup;
    BuildRequest request;
    Placement placement;
};

void PrintTo(const ConversationCase& c, std::ostream* out) {
    *out << c.name;
}

class ConversationTest : public BuilderTest,
                         public ::testing::WithParamInterface<ConversationCase> {};

TEST_P(ConversationTest, FollowsTheConversationStepByStep) {
    const ConversationCase& c = GetParam();
    Script(c.setup);

    const BuildOutcome outcome = Build(c.request);

    const auto expected = ExpectedConversation(c.setup, c.request, c.placement);
    const auto& calls = server_.calls();
    for (std::size_t i = 0; i < std::min(calls.size(), expected.size()); ++i) {
        EXPECT_EQ(calls[i], expected[i].call) << "step " << expected[i].label;
    }
    EXPECT_EQ(calls.size(), expected.size());
    EXPECT_EQ(server_.releases(), ExpectedReleases(Labels(expected)));
    EXPECT_EQ(messages_.shown().size(), 0u) << "a successful build shows nothing";
    EXPECT_EQ(outcome, BuildOutcome::kSavedWithViewer);
    ExpectEachObjectReleasedOnce();
}

const ConversationCase kConversationCases[] = {
    // clang-format off
    {"WithTemplate", {}, kTemplateRequest, kStandardPlacement},
    {"WithoutTemplate", {}, kBlankRequest, kStandardPlacement},
    // Step 28 puts back whatever step 3 read.
    {"WindowStateOtherThanNormal", {.window_state = 3}, kTemplateRequest, kStandardPlacement},
    // The user's own PowerPoint: no window-state change and no quit.
    {"AlreadyRunning", {.already_running = true}, kTemplateRequest, kStandardPlacement},
    {"AlreadyRunningWithoutTemplate", {.already_running = true}, kBlankRequest, kStandardPlacement},
    {"NoSlidesYet", {.slide_count = 0}, kTemplateRequest, kStandardPlacement},
    {"ManySlides", {.slide_count = 41}, kTemplateRequest, kStandardPlacement},
    {"BlankWithoutSlides", {.slide_count = 0}, kBlankRequest, kStandardPlacement},
    {"NoTitlePlaceholder", {.has_title = 0}, kTemplateRequest, kStandardPlacement},
    {"AnyNonZeroMeansATitle", {.has_title = -1}, kTemplateRequest, kStandardPlacement},
    {"NarrowSlideGivesANegativeLeft", {.slide_width = 540.0f}, kTemplateRequest, {-30.0f, 82.0f, u"bracket_multiple"}},
    // Fractions survive: the geometry is read and computed as floating point.
    {"FractionalGeometry", {.slide_width = 719.5f, .title_top = 30.25f, .title_height = 49.5f}, kTemplateRequest, {59.75f, 81.75f, u"bracket_multiple"}},
    {"TallTitle", {.title_top = 21.625f, .title_height = 90.0f}, kTemplateRequest, {60.0f, 113.625f, u"bracket_multiple"}},
    {"RelativePathsPassUnchanged", {}, {u"data\\run 7.zbn", u"out\\run 7.ppt", u""}, {60.0f, 82.0f, u"run 7"}},
    {"DotsInTheNameKeepAllButTheExtension", {}, {u"D:\\Messungen\\M\u00fcller.v2.zbn", u"D:\\M\u00fcller.ppt", u"D:\\t.pot"}, {60.0f, 82.0f, u"M\u00fcller.v2"}},
    // clang-format on
};

INSTANTIATE_TEST_SUITE_P(Builds, ConversationTest, ::testing::ValuesIn(kConversationCases),
                         CaseName());

// AddViewerObject on its own: one insertion call with the caller's
// geometry, and the new shape handed to the caller.
TEST_F(BuilderTest, AddViewerObjectInsertsTheControlWithTheGivenGeometry) {
    server_.On("shapes", 2008, DISPATCH_METHOD, test_support::Reply::Object("shape"));
    {
        COleDispatchDriver shapes(server_.HandOut("shapes").Detach());
        COleDispatchDriver shape(AddViewerObject(shapes, 1.5f, -2.25f, 600.0f, 400.0f));
        EXPECT_EQ(shape.m_lpDispatch, &server_.Object("shape"));
    }
    const std::vector<test_support::Value> args = {
        1.5f, -2.25f, 600.0f, 400.0f, u"TRELVO.TrelvoCtrl.1", u"", 0, u"", 0, u"", 0};
    ASSERT_EQ(server_.calls().size(), 1u);
    EXPECT_EQ(server_.calls()[0].args, args);
    ExpectEachObjectReleasedOnce();
}

TEST_F(BuilderTest, AddViewerObjectOnAnEmptyWrapperGivesNoShape) {
    COleDispatchDriver shapes;
    EXPECT_EQ(AddViewerObject(shapes, 0.0f, 0.0f, 600.0f, 400.0f), nullptr);
}

}  // namespace
}  // namespace builder_test
