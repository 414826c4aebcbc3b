// The builder's conversation, compared call by call and release by release:
// when everything answers, and when calls fail or answer what cannot be used.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>

#include "builder/presentation_builder.h"
#include "support/helpers.h"
#include "support/scripted_server.h"

namespace builder_test {

using namespace test_support;
namespace {

const BuildRequest kT{u"C:\\bracket_multiple.zbn", u"C:\\bracket_Multiple.ppt",
                      u"C:\\TrelvoTemplate.pot"};
const BuildRequest kB{u"C:\\bracket_multiple.zbn", u"C:\\bracket_Multiple.ppt", u""};
const Placement kStandardPlacement{60.0f, 82.0f, u"bracket_multiple"};

struct BuildCase {
    const char* name;
    PresentationAppSetup setup;
    BuildRequest request;
    std::vector<std::pair<std::string, Reply>> failing{};  // steps and what they answer
    std::vector<std::u16string> messages{};
    BuildOutcome outcome = BuildOutcome::kSavedWithViewer;
    Placement placement = kStandardPlacement;
};

class BuildTest : public ::testing::TestWithParam<BuildCase> {};

bool InInsertion(const std::string& label) {
    return std::set<std::string>{"21", "22", "23", "24", "25"}.contains(label);
}

// The steps a build holds when `failing` fail: a failed insertion goes on
// with the save; any other failure stops the build, but the window state is
// put back once it was read and the quit is sent.
std::vector<std::string> HeldSteps(const std::vector<ExpectedStep>& steps, const BuildCase& c) {
    std::vector<std::string> held;
    bool skip_insertion = false;
    for (const ExpectedStep& step : steps) {
        const std::string& label = step.label;
        if (skip_insertion && InInsertion(label)) {
            continue;
        }
        held.push_back(label);
        if (std::ranges::none_of(c.failing, [&](const auto& f) { return f.first == label; })) {
            continue;
        }
        if (label == "1") {
            break;
        }
        if (InInsertion(label)) {
            skip_insertion = true;
        } else if (label != "28" && label != "29") {
            if (!c.setup.already_running) {
                if (label != "2" && label != "3") {
                    held.push_back("28");
                }
                held.push_back("29");
            }
            break;
        }
    }
    return held;
}

TEST_P(BuildTest, HoldsTheConversationAndReleasesInOrder) {
    const BuildCase& c = GetParam();
    ScriptedServer server;
    MessageBoxRecorder messages;
    ScriptPresentationApp(server, c.setup);
    const auto steps = ExpectedConversation(c.setup, c.request, c.placement);
    const std::vector<std::string> held = HeldSteps(steps, c);
    std::vector<Call> expected;
    std::set<std::string> failed;
    for (const std::string& label : held) {
        Call call = std::ranges::find(steps, label, &ExpectedStep::label)->call;
        for (const auto& [step, reply] : c.failing) {
            if (step == label) {
                server.AnswerCall(expected.size(), reply);
                call.failed = reply.kind == Reply::Kind::kError;
                call.answered = call.failed                         ? automation::VT_EMPTY
                                : reply.kind == Reply::Kind::kValue ? reply.value.vt()
                                                                    : automation::VT_DISPATCH;
                failed.insert(step);
            }
        }
        expected.push_back(call);
    }

    const auto registration =
        server.ServeAs(u"PowerPoint.Application", "application", c.setup.already_running);
    const BuildOutcome outcome =
        BuildPresentation(c.request.data_path, c.request.output_path, c.request.template_path);

    EXPECT_EQ(server.calls(), expected);
    EXPECT_EQ(server.releases(), ExpectedReleases(held, failed));
    EXPECT_EQ(messages.texts(), c.messages);
    for (const auto& shown : messages.shown()) {
        EXPECT_EQ(shown.type, 0x30u) << "MB_OK | MB_ICONEXCLAMATION";
    }
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(server.ReferenceProblems(), std::vector<std::string>{});
}

Reply Broken() {
    return Reply::Error(automation::E_FAIL, "the server stopped answering");
}

std::u16string Because(const std::u16string& what,
                       const char16_t* why = u"the server stopped answering") {
    return what + u": " + why;
}

constexpr const char16_t* kNoApplicationMessage =
    u"MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed.";
constexpr const char16_t* kViewerMessage =
    u"Trelvo Presenter 2009 or above is not installed properly";
constexpr const char16_t* kNoObject = u"PowerPoint answered with no object";
constexpr const char16_t* kUnusable =
    u"PowerPoint gave a position that is not a usable number of points";
const std::u16string kOpen = u"Could not open the template \"C:\\TrelvoTemplate.pot\"";
const std::u16string kBlank = u"Could not add a blank presentation";
const std::u16string kSlides = u"Could not reach the slides of the presentation";
const std::u16string kWidth = u"Could not read the slide width from the slide master";
const std::u16string kAddSlide = u"Could not add the new slide";
const std::u16string kTitle = u"Could not write the title \"bracket_multiple\" on the new slide";
const std::u16string kPosition = u"Could not read the position of the slide title";
const std::u16string kSave = u"Could not save the presentation as \"C:\\bracket_Multiple.ppt\"";
const std::u16string kRestore = Because(u"Could not restore the state of PowerPoint's window");
const std::u16string kPresentations = u"Could not reach PowerPoint's presentations";
constexpr float kHuge = std::numeric_limits<float>::max();

using enum BuildOutcome;
const PresentationAppSetup kNormal{};
const PresentationAppSetup kUntitled{.has_title = 0};

const BuildCase kCases[] = {
    // clang-format off
    {"WithTemplate", kNormal, kT},
    {"WithoutTemplate", kNormal, kB},
    // Step 28 puts back whatever step 3 read.
    {"WindowStateMaximised", {.window_state = 3}, kT},
    // The user's own PowerPoint: no window-state change and no quit.
    {"AlreadyRunning", {.already_running = true}, kB},
    {"NoSlidesYet", {.slide_count = 0}, kT},
    {"NoTitlePlaceholder", kUntitled, kT},
    {"AnyNonZeroMeansATitle", {.has_title = -1}, kT},
    {"NarrowSlideGivesANegativeLeft", {.slide_width = 540.0f}, kT, {}, {}, kSavedWithViewer, {-30.0f, 82.0f, u"bracket_multiple"}},
    // H + T first, then + 2.0, in double precision.
    {"FractionalGeometry", {.slide_width = 719.5f, .title_top = 30.25f, .title_height = 49.5f}, kT, {}, {}, kSavedWithViewer, {59.75f, 81.75f, u"bracket_multiple"}},
    {"DotsInTheNameKeepAllButTheExtension", kNormal, {u"D:\\M\u00fcller.v2.zbn", u"D:\\M.ppt", u"D:\\t.pot"}, {}, {}, kSavedWithViewer, {60.0f, 82.0f, u"M\u00fcller.v2"}},
    {"CannotStart", kNormal, kT, {{"1", Broken()}}, {kNoApplicationMessage}, kNotSaved},
    // One row per stage.
    {"Activate", kNormal, kT, {{"2", Broken()}}, {Because(u"Could not start PowerPoint")}, kNotSaved},
    {"ReadWindowState", kNormal, kT, {{"3", Broken()}}, {Because(u"Could not read the state of PowerPoint's window")}, kNotSaved},
    {"Minimise", {.window_state = 3}, kT, {{"4", Broken()}}, {Because(u"Could not minimise PowerPoint's window")}, kNotSaved},
    {"Presentations", kNormal, kT, {{"5", Broken()}}, {Because(kPresentations)}, kNotSaved},
    {"OpenTemplate", kNormal, kT, {{"6a", Broken()}}, {Because(kOpen)}, kNotSaved},
    {"AddBlank", kNormal, kB, {{"6b", Broken()}}, {Because(kBlank)}, kNotSaved},
    {"Slides", kNormal, kT, {{"7", Broken()}}, {Because(kSlides)}, kNotSaved},
    {"SlideWidth", kNormal, kT, {{"9", Broken()}}, {Because(kWidth)}, kNotSaved},
    {"AddSlide", kNormal, kT, {{"11", Broken()}}, {Because(kAddSlide)}, kNotSaved},
    {"Text", kNormal, kT, {{"18", Broken()}}, {Because(kTitle)}, kNotSaved},
    {"TitleHeight", kNormal, kT, {{"20", Broken()}}, {Because(kPosition)}, kNotSaved},
    {"SaveAs", kNormal, kT, {{"27", Reply::Error(automation::STG_E_WRITEFAULT, "disk full")}}, {Because(kSave, u"disk full")}, kNotSaved},
    {"SaveAsWithoutDescription", kNormal, kT, {{"27", Reply::Error(automation::E_FAIL, "")}}, {Because(kSave, u"no reason was given")}, kNotSaved},
    {"SaveFailsInTheUsersApplication", {.already_running = true}, kT, {{"27", Broken()}}, {Because(kSave)}, kNotSaved},
    // Only the first failure is reported; a failed restore still lets the quit go.
    {"Restore", {.window_state = 3}, kT, {{"28", Broken()}, {"29", Broken()}}, {kRestore}, kSavedWithViewer},
    {"Quit", kNormal, kT, {{"29", Broken()}}, {Because(u"Could not quit PowerPoint")}, kSavedWithViewer},
    {"SaveAndRestore", kNormal, kT, {{"27", Broken()}, {"28", Broken()}}, {Because(kSave)}, kNotSaved},
    // The viewer: one message of its own, and the presentation still saved.
    {"Insertion", kNormal, kT, {{"21", Broken()}}, {kViewerMessage}, kSavedWithoutViewer},
    {"OleFormat", kNormal, kT, {{"22", Broken()}}, {kViewerMessage}, kSavedWithoutViewer},
    {"FirstObjectRead", kNormal, kT, {{"23", Broken()}}, {kViewerMessage}, kSavedWithoutViewer},
    {"SecondObjectRead", kNormal, kT, {{"24", Broken()}}, {kViewerMessage}, kSavedWithoutViewer},
    {"PropertyPut", kNormal, kT, {{"25", Broken()}}, {kViewerMessage}, kSavedWithoutViewer},
    {"ViewerMissing", {.viewer_installed = false}, kT, {}, {kViewerMessage}, kSavedWithoutViewer},
    {"NoInsertedShape", kNormal, kT, {{"21", Reply::NoObject()}}, {kViewerMessage}, kSavedWithoutViewer},
    {"NoOleFormat", kNormal, kT, {{"22", Reply::NoObject()}}, {kViewerMessage}, kSavedWithoutViewer},
    {"ObjectGoneOnSecondRead", kNormal, kT, {{"24", Reply::NoObject()}}, {kViewerMessage}, kSavedWithoutViewer},
    {"ViewerAndSave", kNormal, kT, {{"21", Broken()}, {"27", Broken()}}, {kViewerMessage, Because(kSave)}, kNotSaved},
    // One row per required object.
    {"NoPresentations", kNormal, kT, {{"5", Reply::NoObject()}}, {Because(kPresentations, kNoObject)}, kNotSaved},
    {"NoTemplatePresentation", kNormal, kT, {{"6a", Reply::NoObject()}}, {Because(kOpen, kNoObject)}, kNotSaved},
    {"NoBlankPresentation", kNormal, kB, {{"6b", Reply::NoObject()}}, {Because(kBlank, kNoObject)}, kNotSaved},
    {"NoSlides", kNormal, kT, {{"7", Reply::NoObject()}}, {Because(kSlides, kNoObject)}, kNotSaved},
    {"NoMaster", kNormal, kT, {{"8", Reply::NoObject()}}, {Because(kWidth, kNoObject)}, kNotSaved},
    {"NoNewSlide", kNormal, kT, {{"12", Reply::NoObject()}}, {Because(kAddSlide, kNoObject)}, kNotSaved},
    {"NoShapes", kNormal, kT, {{"13", Reply::NoObject()}}, {Because(kAddSlide, kNoObject)}, kNotSaved},
    {"NoTitle", kNormal, kT, {{"15a", Reply::NoObject()}}, {Because(kTitle, kNoObject)}, kNotSaved},
    {"NoAddedTitle", kUntitled, kT, {{"15b", Reply::NoObject()}}, {Because(kTitle, kNoObject)}, kNotSaved},
    {"NoTextFrame", kNormal, kT, {{"16", Reply::NoObject()}}, {Because(kTitle, kNoObject)}, kNotSaved},
    {"NoTextRange", kNormal, kT, {{"17", Reply::NoObject()}}, {Because(kTitle, kNoObject)}, kNotSaved},
    // Answers that cannot be used as they are.
    {"NegativeSlideCount", kNormal, kT, {{"10", Reply::Int(-1)}}, {Because(kAddSlide, u"the presentation claims -1 slides")}, kNotSaved},
    {"SlideCountWithoutANextIndex", kNormal, kT, {{"10", Reply::Int(std::numeric_limits<std::int32_t>::max())}}, {Because(kAddSlide, u"the presentation claims 2147483647 slides")}, kNotSaved},
    {"InfiniteSlideWidth", kNormal, kT, {{"9", Reply::Float(std::numeric_limits<float>::infinity())}}, {Because(kWidth, kUnusable)}, kNotSaved},
    {"TitleBottomBeyondFloats", {.title_top = kHuge, .title_height = kHuge}, kT, {{"20", Reply::Float(kHuge)}}, {Because(kPosition, kUnusable)}, kNotSaved},
    {"WrongTypeOfAnswer", kNormal, kT, {{"9", Reply::Text(u"wide")}}, {Because(kWidth, u"type mismatch: a VT_BSTR value where a VT_R4 is needed")}, kNotSaved},
    // clang-format on
};

INSTANTIATE_TEST_SUITE_P(Builds, BuildTest, ::testing::ValuesIn(kCases), CaseName());

}  // namespace
}  // namespace builder_test
