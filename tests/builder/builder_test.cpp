// The builder's conversation, compared call by call and release by release:
// when everything answers, and when calls fail or answer what cannot be used.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "builder/presentation_builder.h"
#include "support/helpers.h"
#include "support/scripted_server.h"

namespace {

using namespace test_support;

const std::u16string kData = u"C:\\bracket_multiple.zbn", kOutput = u"C:\\bracket_Multiple.ppt",
                     kTemplate = u"C:\\TrelvoTemplate.pot";
const BuildRequest kT{kData, kOutput, kTemplate, 60.0f, 82.0f, u"bracket_multiple"};
const BuildRequest kB{kData, kOutput, u"", 60.0f, 82.0f, u"bracket_multiple"};

struct BuildCase {
    const char* name;
    PresentationAppSetup setup;
    BuildRequest request;
    std::vector<std::pair<std::string, Reply>> failing;  // steps and what they answer
    std::string record;  // what the server must record, as ScriptedServer::Expect reads it
    std::vector<std::u16string> messages{};
    BuildOutcome outcome = BuildOutcome::kSavedWithViewer;
};

class BuildTest : public ::testing::TestWithParam<BuildCase> {};

TEST_P(BuildTest, HoldsTheConversationAndReleasesInOrder) {
    const BuildCase& c = GetParam();
    ScriptedServer server(c.setup);
    MessageBoxRecorder messages;
    const auto [calls, releases] = server.Expect(c.request, c.record, c.failing);

    const BuildOutcome outcome =
        BuildPresentation(c.request.data_path, c.request.output_path, c.request.template_path);

    EXPECT_EQ(server.calls(), calls);
    EXPECT_EQ(server.releases(), releases);
    std::vector<std::u16string> texts;
    for (const auto& shown : messages.shown) {
        EXPECT_EQ(shown.type, 0x30u) << "MB_OK | MB_ICONEXCLAMATION";
        texts.push_back(shown.text);
    }
    EXPECT_EQ(texts, c.messages);
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(server.ReferenceProblems(), std::vector<std::string>{});
}

const Reply kBroken = Reply::Error(automation::E_FAIL, "the server stopped answering");

std::u16string Because(const std::u16string& what,
                       const char16_t* why = u"the server stopped answering") {
    return what + u": " + why;
}

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
const std::u16string kPresentations = u"Could not reach PowerPoint's presentations";
constexpr float kHuge = std::numeric_limits<float>::max();

// Whole builds, with a template and without, ending with the references
// given back; UpTo keeps a record up to and with the call `label`, without
// the references given back after it.
const std::string kCleanUp =
    "[application, shapes, new slide, slide master, slides, presentation, presentations]";
const std::string kBody =
    " 7 8 9 10 11 [added slide] 12 13 14 15a 16 17 18 19 20 [text range, text frame, title shape] "
    "21 22 23 [embedded object] 24 25 [control, OLE format, viewer shape] 27 28 29 ";
const std::string kTB = "1 2 3 4 5 6a" + kBody + kCleanUp;
const std::string kBB = "1 2 3 4 5 6b" + kBody + kCleanUp;
std::string UpTo(const std::string& whole, const std::string& label) {
    return whole.substr(0, whole.find(" " + label + " ") + 1 + label.size());
}

using enum BuildOutcome;
const PresentationAppSetup kNormal{};
const PresentationAppSetup kUntitled{.has_title = 0};

const BuildCase kCases[] = {
    // clang-format off
    {"WithTemplate", kNormal, kT, {}, kTB},
    {"WithoutTemplate", kNormal, kB, {}, kBB},
    // Step 28 puts back whatever step 3 read.
    {"WindowStateMaximised", {.window_state = 3}, kT, {}, kTB},
    // The user's own PowerPoint: no window-state change and no quit.
    {"AlreadyRunning", {.already_running = true}, kB, {}, "1 2 5 6b 7 8 9 10 11 [added slide] 12 13 14 15a 16 17 18 19 20 [text range, text frame, title shape] 21 22 23 [embedded object] 24 25 [control, OLE format, viewer shape] 27 " + kCleanUp},
    {"NoSlidesYet", {.slide_count = 0}, kT, {}, kTB},
    {"NoTitlePlaceholder", kUntitled, kT, {}, UpTo(kTB, "14") + " 15b 16 17 18 19 20 [text range, text frame, title shape] 21 22 23 [embedded object] 24 25 [control, OLE format, viewer shape] 27 28 29 " + kCleanUp},
    {"AnyNonZeroMeansATitle", {.has_title = -1}, kT, {}, kTB},
    {"NarrowSlideGivesANegativeLeft", {.slide_width = 540.0f}, {kData, kOutput, kTemplate, -30.0f, 82.0f, u"bracket_multiple"}, {}, kTB},
    // H + T first, then + 2.0, in double precision.
    {"FractionalGeometry", {.slide_width = 719.5f, .title_top = 30.25f, .title_height = 49.5f}, {kData, kOutput, kTemplate, 59.75f, 81.75f, u"bracket_multiple"}, {}, kTB},
    {"CannotStart", kNormal, kT, {{"1", kBroken}}, "1", {u"MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed."}, kNotSaved},
    // One row per stage.
    {"Activate", kNormal, kT, {{"2", kBroken}}, "1 2 29 [application]", {Because(u"Could not start PowerPoint")}, kNotSaved},
    {"ReadWindowState", kNormal, kT, {{"3", kBroken}}, "1 2 3 29 [application]", {Because(u"Could not read the state of PowerPoint's window")}, kNotSaved},
    {"Minimise", {.window_state = 3}, kT, {{"4", kBroken}}, "1 2 3 4 28 29 [application]", {Because(u"Could not minimise PowerPoint's window")}, kNotSaved},
    {"Presentations", kNormal, kT, {{"5", kBroken}}, "1 2 3 4 5 28 29 [application]", {Because(kPresentations)}, kNotSaved},
    {"OpenTemplate", kNormal, kT, {{"6a", kBroken}}, "1 2 3 4 5 6a 28 29 [application, presentations]", {Because(kOpen)}, kNotSaved},
    {"AddBlank", kNormal, kB, {{"6b", kBroken}}, "1 2 3 4 5 6b 28 29 [application, presentations]", {Because(kBlank)}, kNotSaved},
    {"Slides", kNormal, kT, {{"7", kBroken}}, "1 2 3 4 5 6a 7 28 29 [application, presentation, presentations]", {Because(kSlides)}, kNotSaved},
    {"SlideWidth", kNormal, kT, {{"9", kBroken}}, "1 2 3 4 5 6a 7 8 9 28 29 [application, slide master, slides, presentation, presentations]", {Because(kWidth)}, kNotSaved},
    {"AddSlide", kNormal, kT, {{"11", kBroken}}, "1 2 3 4 5 6a 7 8 9 10 11 28 29 [application, slide master, slides, presentation, presentations]", {Because(kAddSlide)}, kNotSaved},
    {"Text", kNormal, kT, {{"18", kBroken}}, UpTo(kTB, "18") + " [text range, text frame, title shape] 28 29 " + kCleanUp, {Because(kTitle)}, kNotSaved},
    {"TitleHeight", kNormal, kT, {{"20", kBroken}}, UpTo(kTB, "20") + " [text range, text frame, title shape] 28 29 " + kCleanUp, {Because(kPosition)}, kNotSaved},
    {"SaveAs", kNormal, kT, {{"27", Reply::Error(automation::STG_E_WRITEFAULT, "disk full")}}, kTB, {Because(kSave, u"disk full")}, kNotSaved},
    {"SaveAsWithoutDescription", kNormal, kT, {{"27", Reply::Error(automation::E_FAIL, "")}}, kTB, {Because(kSave, u"no reason was given")}, kNotSaved},
    {"SaveFailsInTheUsersApplication", {.already_running = true}, kT, {{"27", kBroken}}, "1 2 5 6a 7 8 9 10 11 [added slide] 12 13 14 15a 16 17 18 19 20 [text range, text frame, title shape] 21 22 23 [embedded object] 24 25 [control, OLE format, viewer shape] 27 " + kCleanUp, {Because(kSave)}, kNotSaved},
    // Only the first failure is reported; a failed restore still lets the quit go.
    {"Restore", {.window_state = 3}, kT, {{"28", kBroken}, {"29", kBroken}}, kTB, {Because(u"Could not restore the state of PowerPoint's window")}, kSavedWithViewer},
    {"Quit", kNormal, kT, {{"29", kBroken}}, kTB, {Because(u"Could not quit PowerPoint")}, kSavedWithViewer},
    // The viewer: one message of its own, and the presentation still saved.
    {"Insertion", kNormal, kT, {{"21", kBroken}}, UpTo(kTB, "21") + " 27 28 29 " + kCleanUp, {kViewerMessage}, kSavedWithoutViewer},
    {"FirstObjectRead", kNormal, kT, {{"23", kBroken}}, UpTo(kTB, "23") + " [OLE format, viewer shape] 27 28 29 " + kCleanUp, {kViewerMessage}, kSavedWithoutViewer},
    {"SecondObjectRead", kNormal, kT, {{"24", kBroken}}, UpTo(kTB, "24") + " [OLE format, viewer shape] 27 28 29 " + kCleanUp, {kViewerMessage}, kSavedWithoutViewer},
    {"PropertyPut", kNormal, kT, {{"25", kBroken}}, kTB, {kViewerMessage}, kSavedWithoutViewer},
    {"ViewerMissing", {.viewer_installed = false}, kT, {}, UpTo(kTB, "23") + " [OLE format, viewer shape] 27 28 29 " + kCleanUp, {kViewerMessage}, kSavedWithoutViewer},
    {"ObjectGoneOnSecondRead", kNormal, kT, {{"24", Reply::NoObject()}}, UpTo(kTB, "24") + " [OLE format, viewer shape] 27 28 29 " + kCleanUp, {kViewerMessage}, kSavedWithoutViewer},
    {"ViewerAndSave", kNormal, kT, {{"21", kBroken}, {"27", kBroken}}, UpTo(kTB, "21") + " 27 28 29 " + kCleanUp, {kViewerMessage, Because(kSave)}, kNotSaved},
    // Required objects that come back empty.
    {"NoPresentations", kNormal, kT, {{"5", Reply::NoObject()}}, "1 2 3 4 5 28 29 [application]", {Because(kPresentations, kNoObject)}, kNotSaved},
    {"NoMaster", kNormal, kT, {{"8", Reply::NoObject()}}, "1 2 3 4 5 6a 7 8 28 29 [application, slides, presentation, presentations]", {Because(kWidth, kNoObject)}, kNotSaved},
    {"NoTextRange", kNormal, kT, {{"17", Reply::NoObject()}}, UpTo(kTB, "17") + " [text frame, title shape] 28 29 " + kCleanUp, {Because(kTitle, kNoObject)}, kNotSaved},
    // Answers that cannot be used as they are.
    {"NegativeSlideCount", kNormal, kT, {{"10", Reply::Int(-1)}}, "1 2 3 4 5 6a 7 8 9 10 28 29 [application, slide master, slides, presentation, presentations]", {Because(kAddSlide, u"the presentation claims -1 slides")}, kNotSaved},
    {"SlideCountWithoutANextIndex", kNormal, kT, {{"10", Reply::Int(std::numeric_limits<std::int32_t>::max())}}, "1 2 3 4 5 6a 7 8 9 10 28 29 [application, slide master, slides, presentation, presentations]", {Because(kAddSlide, u"the presentation claims 2147483647 slides")}, kNotSaved},
    {"SlideWidthNotANumber", kNormal, kT, {{"9", Reply::Float(std::numeric_limits<float>::quiet_NaN())}}, "1 2 3 4 5 6a 7 8 9 28 29 [application, slide master, slides, presentation, presentations]", {Because(kWidth, kUnusable)}, kNotSaved},
    {"TitleBottomBeyondFloats", {.title_top = kHuge, .title_height = kHuge}, kT, {{"20", Reply::Float(kHuge)}}, UpTo(kTB, "20") + " [text range, text frame, title shape] 28 29 " + kCleanUp, {Because(kPosition, kUnusable)}, kNotSaved},
    {"WrongTypeOfAnswer", kNormal, kT, {{"9", Reply::Text(u"wide")}}, "1 2 3 4 5 6a 7 8 9 28 29 [application, slide master, slides, presentation, presentations]", {Because(kWidth, u"type mismatch: a VT_BSTR value where a VT_R4 is needed")}, kNotSaved},
    // clang-format on
};

INSTANTIATE_TEST_SUITE_P(Builds, BuildTest, ::testing::ValuesIn(kCases), CaseName());

}  // namespace
