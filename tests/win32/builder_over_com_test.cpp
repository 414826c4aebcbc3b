// The builder's whole conversation over real COM: the scripted presentation
// application is reached through CLSIDFromProgID, CoCreateInstance and
// IDispatch::Invoke, so every argument crosses as a VARIANT in DISPPARAMS,
// every string as a BSTR and every object as a COM reference.
#include <gtest/gtest.h>

#include "builder/builder_fixture.h"
#include "builder/presentation_builder.h"
#include "win32/com_bridge.h"

namespace builder_test {
namespace {

using test_support::PresentationAppSetup;

struct ComCase {
    const char* name;
    PresentationAppSetup setup;
    BuildRequest request;
    Placement placement;
    BuildOutcome outcome;
    std::vector<std::u16string> messages;
};

class BuilderOverComTest : public BuilderTest, public ::testing::WithParamInterface<ComCase> {
  protected:
    BuildOutcome BuildOverCom(const BuildRequest& request) {
        const auto registration =
            server_.ServeAs(u"PowerPoint.Application", test_support::app_object::kApplication);
        const test_win32::ScopedComClass com_class(u"PowerPoint.Application");
        return BuildPresentation(request.data_path, request.output_path, request.template_path);
    }
};

TEST_P(BuilderOverComTest, HoldsTheSameConversationOverCom) {
    const ComCase& c = GetParam();
    Script(c.setup);

    const BuildOutcome outcome = BuildOverCom(c.request);

    const auto expected = ExpectedConversation(c.setup, c.request, c.placement);
    const auto& calls = server_.calls();
    for (std::size_t i = 0; i < std::min(calls.size(), expected.size()); ++i) {
        EXPECT_EQ(calls[i], expected[i].call) << "step " << expected[i].label;
    }
    EXPECT_EQ(calls.size(), expected.size());
    EXPECT_EQ(outcome, c.outcome);
    std::vector<std::u16string> texts;
    for (const auto& box : messages_.shown()) {
        texts.push_back(box.text);
    }
    EXPECT_EQ(texts, c.messages);
    ExpectEachObjectReleasedOnce();
    EXPECT_EQ(test_win32::ScopedComClass::LiveObjects(), 0) << "a COM object was not released";
}

const ComCase kComCases[] = {
    {"WithTemplate", {}, kTemplateRequest, kStandardPlacement, BuildOutcome::kSavedWithViewer, {}},
    {"WithoutTemplate", {}, kBlankRequest, kStandardPlacement, BuildOutcome::kSavedWithViewer, {}},
    {"FractionalGeometryStaysFloat",
     {.slide_width = 719.5f, .title_top = 30.25f, .title_height = 49.5f},
     kTemplateRequest,
     {59.75f, 81.75f, u"bracket_multiple"},
     BuildOutcome::kSavedWithViewer,
     {}},
    {"NonAsciiPathsAsBstrs",
     {},
     {u"D:\\Messungen\\M\u00fcller.v2.zbn", u"D:\\M\u00fcller \U0001F600.ppt", u"D:\\t.pot"},
     {60.0f, 82.0f, u"M\u00fcller.v2"},
     BuildOutcome::kSavedWithViewer,
     {}},
    {"ViewerMissing",
     {.viewer_installed = false},
     kTemplateRequest,
     kStandardPlacement,
     BuildOutcome::kSavedWithoutViewer,
     {kViewerMessage}},
};
INSTANTIATE_TEST_SUITE_P(Builds, BuilderOverComTest, ::testing::ValuesIn(kComCases), CaseName());

TEST_F(BuilderTest, WithoutThePresentationApplicationOverComTheMessageIsShown) {
    Script({});
    const BuildOutcome outcome = Build(kTemplateRequest, /*application_present=*/false);
    EXPECT_EQ(outcome, BuildOutcome::kNotSaved);
    ASSERT_EQ(messages_.shown().size(), 1u);
    EXPECT_EQ(messages_.shown()[0].text, kNoApplicationMessage);
}

}  // namespace
}  // namespace builder_test
