// The builder when something does not answer as it should: no application,
// a viewer that is missing or fails, and every other call failing in turn.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <cmath>
#include <limits>

#include "automation/class_registry.h"
#include "builder/builder_fixture.h"
#include "framework/resources.h"

namespace builder_test {
namespace {

using test_support::Call;
using test_support::PresentationAppSetup;
using test_support::Reply;

constexpr const char* kBrokenServer = "the server stopped answering";
constexpr const char16_t* kBrokenServer16 = u"the server stopped answering";
constexpr const char16_t* kNoObject16 = u"PowerPoint answered with no object";

// What the record shows for a call that got `reply`.
void Answered(Call& call, const Reply& reply) {
    call.failed = reply.kind() == Reply::Kind::kError;
    switch (reply.kind()) {
        case Reply::Kind::kValue:
            call.answered = reply.value().vt();
            break;
        case Reply::Kind::kObject:
        case Reply::Kind::kNoObject:
            call.answered = VT_DISPATCH;
            break;
        default:
            call.answered = VT_EMPTY;
            break;
    }
}

Reply Broken() {
    return Reply::Error(automation::E_FAIL, kBrokenServer);
}

class FailureTest : public BuilderTest {
  protected:
    void ExpectOnlyMessage(const std::u16string& text) {
        ASSERT_EQ(messages_.texts(), std::vector<std::u16string>{text});
        EXPECT_EQ(messages_.shown()[0].type, 0x30u) << "MB_OK | MB_ICONEXCLAMATION";
        EXPECT_EQ(messages_.shown()[0].caption, AfxGetAppName().str());
    }
};

// ---- No presentation application ------------------------------------------

TEST_F(FailureTest, WithoutTheApplicationOneMessageAndNoCallReachesAServer) {
    ASSERT_EQ(automation::ClassRegistry::Instance().FindByProgId(u"PowerPoint.Application"),
              nullptr);
    Script({});
    const BuildOutcome outcome = Build(kTemplateRequest, /*application_present=*/false);
    ExpectOnlyMessage(kNoApplicationMessage);
    EXPECT_EQ(server_.calls(), std::vector<Call>{});
    EXPECT_EQ(server_.HandedOutObjects(), std::vector<std::string>{});
    EXPECT_EQ(outcome, BuildOutcome::kNotSaved);
}

TEST_F(FailureTest, AnApplicationThatCannotStartCountsAsMissing) {
    Script({});
    server_.FailCall(0, automation::E_FAIL, "cannot start");
    const BuildOutcome outcome = Build(kTemplateRequest);
    ExpectOnlyMessage(kNoApplicationMessage);
    ASSERT_EQ(server_.calls().size(), 1u);
    EXPECT_EQ(server_.calls()[0].kind, test_support::kCreate);
    EXPECT_EQ(server_.HandedOutObjects(), std::vector<std::string>{});
    EXPECT_EQ(outcome, BuildOutcome::kNotSaved);
}

// ---- The viewer insertion ----------------------------------------------------

struct ViewerCase {
    const char* name;
    const char* step;
    Reply reply;
};

void PrintTo(const ViewerCase& c, std::ostream* out) {
    *out << c.name;
}

class ViewerFailureTest : public FailureTest, public ::testing::WithParamInterface<ViewerCase> {};

// Whatever goes wrong in the insertion: one message, then the presentation
// is still saved, the window state put back and the application quit.
TEST_P(ViewerFailureTest, ShowsOneMessageAndStillSavesAndQuits) {
    const ViewerCase& c = GetParam();
    const PresentationAppSetup setup{};
    Script(setup);
    const auto steps = ExpectedConversation(setup, kTemplateRequest, kStandardPlacement);
    server_.AnswerCall(PositionOf(steps, c.step), c.reply);

    const BuildOutcome outcome = Build(kTemplateRequest);

    auto expected = UpTo(steps, c.step);
    Answered(expected.back(), c.reply);
    for (const auto& call : Pick(steps, {"27", "28", "29"})) {
        expected.push_back(call);
    }
    EXPECT_EQ(server_.calls(), expected);
    auto held = Labels(steps);
    held.resize(PositionOf(steps, c.step) + 1);
    held.insert(held.end(), {"27", "28", "29"});
    EXPECT_EQ(server_.releases(), ExpectedReleases(held));
    ExpectOnlyMessage(kViewerMessage);
    EXPECT_EQ(outcome, BuildOutcome::kSavedWithoutViewer);
    ExpectEachObjectReleasedOnce();
}

const ViewerCase kViewerCases[] = {
    {"InsertionFails", "21", Broken()},
    {"OleFormatFails", "22", Broken()},
    {"FirstObjectReadFails", "23", Broken()},
    {"SecondObjectReadFails", "24", Broken()},
    {"PropertyPutFails", "25", Broken()},
    {"NoEmbeddedObject", "23", Reply::NoObject()},
    // An empty answer anywhere in the insertion leaves the control without
    // its data: that is the same missing viewer.
    {"NoInsertedShape", "21", Reply::NoObject()},
    {"NoOleFormat", "22", Reply::NoObject()},
    {"ObjectGoneOnSecondRead", "24", Reply::NoObject()},
};

INSTANTIATE_TEST_SUITE_P(Steps, ViewerFailureTest, ::testing::ValuesIn(kViewerCases), CaseName());

TEST_F(FailureTest, AMissingViewerDoesNotGiveTheControlTheDataPath) {
    const PresentationAppSetup setup{.viewer_installed = false};
    Script(setup);
    const BuildOutcome outcome = Build(kTemplateRequest);
    const auto expected = ExpectedConversation(setup, kTemplateRequest, kStandardPlacement);
    std::vector<Call> calls;
    for (const auto& step : expected) {
        calls.push_back(step.call);
    }
    EXPECT_EQ(server_.calls(), calls);
    ExpectOnlyMessage(kViewerMessage);
    EXPECT_EQ(outcome, BuildOutcome::kSavedWithoutViewer);
    ExpectEachObjectReleasedOnce();
}

// ---- Every other call -------------------------------------------------------

struct StepCase {
    const char* name;
    bool with_template;
    std::int32_t has_title;
    const char* step;
    Reply reply;
    std::u16string message;
};

void PrintTo(const StepCase& c, std::ostream* out) {
    *out << c.name;
}

class StepFailureTest : public FailureTest, public ::testing::WithParamInterface<StepCase> {};

// One message that names the step, the window state put back once it was
// read, the quit sent, nothing saved after the failure.
TEST_P(StepFailureTest, ReportsOnceRestoresQuitsAndSavesNothing) {
    const StepCase& c = GetParam();
    const PresentationAppSetup setup{.has_title = c.has_title};
    const BuildRequest& request = c.with_template ? kTemplateRequest : kBlankRequest;
    Script(setup);
    const auto steps = ExpectedConversation(setup, request, kStandardPlacement);
    server_.AnswerCall(PositionOf(steps, c.step), c.reply);

    const BuildOutcome outcome = Build(request);

    auto expected = UpTo(steps, c.step);
    Answered(expected.back(), c.reply);
    const std::string step = c.step;
    const bool state_was_read = step != "2" && step != "3";
    for (const auto& call : state_was_read ? Pick(steps, {"28", "29"}) : Pick(steps, {"29"})) {
        expected.push_back(call);
    }
    EXPECT_EQ(server_.calls(), expected);
    ExpectOnlyMessage(c.message);
    EXPECT_EQ(outcome, BuildOutcome::kNotSaved);
    ExpectEachObjectReleasedOnce();
}

std::u16string Because(const std::u16string& what, const char16_t* why = kBrokenServer16) {
    return what + u": " + why;
}

const std::u16string kOpen = u"Could not open the template \"C:\\TrelvoTemplate.pot\"";
const std::u16string kBlank = u"Could not add a blank presentation";
const std::u16string kSlides = u"Could not reach the slides of the presentation";
const std::u16string kWidth = u"Could not read the slide width from the slide master";
const std::u16string kAddSlide = u"Could not add the new slide";
const std::u16string kTitle = u"Could not write the title \"bracket_multiple\" on the new slide";
const std::u16string kPosition = u"Could not read the position of the slide title";
const std::u16string kSave = u"Could not save the presentation as \"C:\\bracket_Multiple.ppt\"";
constexpr const char16_t* kUnusablePosition =
    u"PowerPoint gave a position that is not a usable number of points";
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();

const StepCase kStepCases[] = {
    {"Start", true, 1, "2", Broken(), Because(u"Could not start PowerPoint")},
    {"ReadWindowState", true, 1, "3", Broken(),
     Because(u"Could not read the state of PowerPoint's window")},
    {"Minimise", true, 1, "4", Broken(), Because(u"Could not minimise PowerPoint's window")},
    {"Presentations", true, 1, "5", Broken(),
     Because(u"Could not reach PowerPoint's presentations")},
    {"OpenTemplate", true, 1, "6a", Broken(), Because(kOpen)},
    {"AddBlank", false, 1, "6b", Broken(), Because(kBlank)},
    {"Slides", true, 1, "7", Broken(), Because(kSlides)},
    {"SlideMaster", true, 1, "8", Broken(), Because(kWidth)},
    {"SlideWidth", true, 1, "9", Broken(), Because(kWidth)},
    {"SlideCount", true, 1, "10", Broken(), Because(kAddSlide)},
    {"AddSlide", true, 1, "11", Broken(), Because(kAddSlide)},
    {"FetchSlide", true, 1, "12", Broken(), Because(kAddSlide)},
    {"SlideShapes", true, 1, "13", Broken(), Because(kAddSlide)},
    {"HasTitle", true, 1, "14", Broken(), Because(kTitle)},
    {"Title", true, 1, "15a", Broken(), Because(kTitle)},
    {"AddTitle", true, 0, "15b", Broken(), Because(kTitle)},
    {"TextFrame", true, 1, "16", Broken(), Because(kTitle)},
    {"TextRange", true, 1, "17", Broken(), Because(kTitle)},
    {"Text", true, 1, "18", Broken(), Because(kTitle)},
    {"TitleTop", true, 1, "19", Broken(), Because(kPosition)},
    {"TitleHeight", true, 1, "20", Broken(), Because(kPosition)},
    {"SaveAs", true, 1, "27", Broken(), Because(kSave)},
    // The description is the server's own, whatever it says.
    {"SaveAsWithTheServersWords", true, 1, "27",
     Reply::Error(automation::STG_E_WRITEFAULT, "cannot write C:\\bracket_Multiple.ppt: disk full"),
     Because(kSave, u"cannot write C:\\bracket_Multiple.ppt: disk full")},
    {"SaveAsWithoutDescription", true, 1, "27", Reply::Error(automation::E_FAIL, ""),
     Because(kSave, u"no reason was given")},
    // An object the build goes on to use must be there; calls on nothing
    // would otherwise end in a build that claims to have saved.
    {"NoPresentations", true, 1, "5", Reply::NoObject(),
     Because(u"Could not reach PowerPoint's presentations", kNoObject16)},
    {"NoTemplatePresentation", true, 1, "6a", Reply::NoObject(), Because(kOpen, kNoObject16)},
    {"NoBlankPresentation", false, 1, "6b", Reply::NoObject(), Because(kBlank, kNoObject16)},
    {"NoSlides", true, 1, "7", Reply::NoObject(), Because(kSlides, kNoObject16)},
    {"NoMaster", true, 1, "8", Reply::NoObject(), Because(kWidth, kNoObject16)},
    {"NoNewSlide", true, 1, "12", Reply::NoObject(), Because(kAddSlide, kNoObject16)},
    {"NoShapes", true, 1, "13", Reply::NoObject(), Because(kAddSlide, kNoObject16)},
    {"NoTitle", true, 1, "15a", Reply::NoObject(), Because(kTitle, kNoObject16)},
    {"NoAddedTitle", true, 0, "15b", Reply::NoObject(), Because(kTitle, kNoObject16)},
    {"NoTextFrame", true, 1, "16", Reply::NoObject(), Because(kTitle, kNoObject16)},
    {"NoTextRange", true, 1, "17", Reply::NoObject(), Because(kTitle, kNoObject16)},
    // Answers that cannot be used as they are.
    {"NegativeSlideCount", true, 1, "10", Reply::Int(-1),
     Because(kAddSlide, u"the presentation claims -1 slides")},
    {"SlideCountWithoutANextIndex", true, 1, "10", Reply::Int(kMaxInt),
     Because(kAddSlide, u"the presentation claims 2147483647 slides")},
    {"InfiniteSlideWidth", true, 1, "9", Reply::Float(kInfinity),
     Because(kWidth, kUnusablePosition)},
    {"InfiniteTitleHeight", true, 1, "20", Reply::Float(kInfinity),
     Because(kPosition, kUnusablePosition)},
    {"WrongTypeOfAnswer", true, 1, "9", Reply::Text(u"wide"),
     Because(kWidth, u"type mismatch: a VT_BSTR value where a VT_R4 is needed")},
};

INSTANTIATE_TEST_SUITE_P(Steps, StepFailureTest, ::testing::ValuesIn(kStepCases), CaseName());

// The bottom of the title is summed in double precision; beyond the range
// of a float it cannot be sent as one.
TEST_F(FailureTest, ATitleBottomBeyondTheFloatRangeIsReported) {
    const float huge = std::numeric_limits<float>::max();
    const PresentationAppSetup setup{.title_top = huge, .title_height = huge};
    Script(setup);
    const BuildOutcome outcome = Build(kTemplateRequest);
    const auto steps = ExpectedConversation(setup, kTemplateRequest, kStandardPlacement);
    auto expected = UpTo(steps, "20");
    for (const auto& call : Pick(steps, {"28", "29"})) {
        expected.push_back(call);
    }
    EXPECT_EQ(server_.calls(), expected);
    ExpectOnlyMessage(Because(kPosition, kUnusablePosition));
    EXPECT_EQ(outcome, BuildOutcome::kNotSaved);
    ExpectEachObjectReleasedOnce();
}

// ---- Putting back and quitting ----------------------------------------------

struct EndCase {
    const char* name;
    std::vector<std::string> conversation;  // the steps held, in order
    std::vector<std::string> failing;
    std::vector<std::u16string> messages;
    BuildOutcome outcome;
    bool already_running = false;
};

void PrintTo(const EndCase& c, std::ostream* out) {
    *out << c.name;
}

class EndFailureTest : public FailureTest, public ::testing::WithParamInterface<EndCase> {};

// Only the first failure is reported; a failed restore does not keep the
// quit from being sent.
TEST_P(EndFailureTest, ReportsTheFirstFailureOnlyAndAlwaysQuits) {
    const EndCase& c = GetParam();
    const PresentationAppSetup setup{.already_running = c.already_running};
    Script(setup);
    const auto steps = ExpectedConversation(setup, kTemplateRequest, kStandardPlacement);
    std::vector<Call> expected;
    for (const auto& label : c.conversation) {
        Call call = steps[PositionOf(steps, label)].call;
        if (std::ranges::find(c.failing, label) != c.failing.end()) {
            server_.AnswerCall(expected.size(), Broken());
            Answered(call, Broken());
        }
        expected.push_back(call);
    }

    const BuildOutcome outcome = Build(kTemplateRequest);

    EXPECT_EQ(server_.calls(), expected);
    EXPECT_EQ(server_.releases(), ExpectedReleases(c.conversation));
    EXPECT_EQ(messages_.texts(), c.messages);
    EXPECT_EQ(outcome, c.outcome);
    ExpectEachObjectReleasedOnce();
}

const std::vector<std::string> kWholeConversation = {
    "1",   "2",  "3",  "4",  "5",  "6a", "7",  "8",  "9",  "10", "11", "12", "13", "14",
    "15a", "16", "17", "18", "19", "20", "21", "22", "23", "24", "25", "27", "28", "29"};
const std::vector<std::string> kWithoutViewer = {"1",  "2",  "3",  "4",  "5",  "6a", "7",   "8",
                                                 "9",  "10", "11", "12", "13", "14", "15a", "16",
                                                 "17", "18", "19", "20", "21", "27", "28",  "29"};
// In the user's own application: no window-state change and no quit.
const std::vector<std::string> kUsersApplication = {
    "1",   "2",  "5",  "6a", "7",  "8",  "9",  "10", "11", "12", "13", "14",
    "15a", "16", "17", "18", "19", "20", "21", "22", "23", "24", "25", "27"};

using enum BuildOutcome;
const std::u16string kRestoreFailed =
    Because(u"Could not restore the state of PowerPoint's window");

const EndCase kEndCases[] = {
    // clang-format off
    {"RestoreFails", kWholeConversation, {"28"}, {kRestoreFailed}, kSavedWithViewer},
    {"QuitFails", kWholeConversation, {"29"}, {Because(u"Could not quit PowerPoint")}, kSavedWithViewer},
    {"RestoreAndQuitFail", kWholeConversation, {"28", "29"}, {kRestoreFailed}, kSavedWithViewer},
    {"SaveAndRestoreFail", kWholeConversation, {"27", "28"}, {Because(kSave)}, kNotSaved},
    {"SaveAndQuitFail", kWholeConversation, {"27", "29"}, {Because(kSave)}, kNotSaved},
    // The viewer's message is its own; a later failure still has its say.
    {"ViewerAndSaveFail", kWithoutViewer, {"21", "27"}, {kViewerMessage, Because(kSave)}, kNotSaved},
    {"ViewerAndRestoreFail", kWithoutViewer, {"21", "28"}, {kViewerMessage, kRestoreFailed}, kSavedWithoutViewer},
    {"SaveFailsInTheUsersApplication", kUsersApplication, {"27"}, {Because(kSave)}, kNotSaved, true},
    // clang-format on
};

INSTANTIATE_TEST_SUITE_P(Steps, EndFailureTest, ::testing::ValuesIn(kEndCases), CaseName());

}  // namespace
}  // namespace builder_test
