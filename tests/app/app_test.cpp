// The whole program in process: start-up, the command line and the builder
// against a stand-in presentation application, with message boxes captured.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/zbn2ppt_app.h"
#include "framework/arguments.h"
#include "framework/message_box.h"
#include "framework/win_app.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace {

struct Box {
    std::u16string caption;
    std::u16string text;  // only its first line: the usage text below is checked elsewhere
    bool operator==(const Box&) const = default;
};

void PrintTo(const Box& box, std::ostream* out) {
    *out << "[" << std::string(box.caption.begin(), box.caption.end()) << "] "
         << std::string(box.text.begin(), box.text.end());
}

bool RegisterNothing() {
    return true;
}
bool RegistrationFails() {
    return false;
}
bool RegistrationThrows() {
    throw std::runtime_error("no registry");
}

// The presentation application of a run, registered by the program's own
// start-up; the registration ends before the server does.
test_support::ScriptedServer* g_server = nullptr;
std::optional<test_support::ScopedClassRegistration> g_registration;
bool RegisterScriptedApp() {
    g_registration.emplace(
        g_server->ServeAs(u"PowerPoint.Application", test_support::app_object::kApplication));
    return true;
}

std::ptrdiff_t CountCalls(const test_support::ScriptedServer& server, const std::string& object,
                          automation::DISPID member) {
    return std::ranges::count_if(server.calls(), [&](const test_support::Call& call) {
        return call.object == object && call.member == member;
    });
}

// The first argument of every call of `member` on `object`.
std::vector<std::u16string> FirstArguments(const test_support::ScriptedServer& server,
                                           const std::string& object, automation::DISPID member) {
    std::vector<std::u16string> found;
    for (const test_support::Call& call : server.calls()) {
        if (call.object == object && call.member == member) {
            found.push_back(std::get<std::u16string>(call.args.at(0)));
        }
    }
    return found;
}

class TempFolder : public test_support::TempFolder {
  public:
    TempFolder() : test_support::TempFolder("zbn2ppt-app") {}
    std::u16string In(const std::u16string& name) const { return path().u16string() + u"/" + name; }
};

struct AppCase {
    const char* name;
    framework::OleInitHandler register_classes;
    bool viewer_available;
    std::vector<std::u16string> arguments;  // names inside the case's folder
    std::vector<Box> boxes;
    int exit_status;
    // What reached the presentation application (names inside the folder).
    std::vector<std::u16string> templates_opened;
    int blanks_added;
    std::vector<std::u16string> viewer_data_paths;
    std::vector<std::u16string> saved_as;
};

void PrintTo(const AppCase& c, std::ostream* out) {
    *out << c.name;
}

const char16_t* kOleFailed =
    u"OLE initialization failed.  Make sure that the OLE libraries are the correct version.";

constexpr auto kScripted = &RegisterScriptedApp;

const AppCase kCases[] = {
    // A failed OLE start-up is the only message: the command line (here one
    // that would ask for help) is never looked at.
    // clang-format off
    {"OleInitFails", &RegistrationFails, true, {}, {{u"Zbn2PPT", kOleFailed}}, 1, {}, 0, {}, {}},
    {"OleInitThrows", &RegistrationThrows, true, {}, {{u"Zbn2PPT", kOleFailed}}, 1, {}, 0, {}, {}},
    {"Help", kScripted, true, {}, {{u"Help", u"Command Line Usage:"}}, 2, {}, 0, {}, {}},
    {"Rejected", kScripted, true, {u"d.txt", u"o.ppt"}, {{u"Error", u"ERROR! INVALID INPUTFILE EXTENSION"}}, 2, {}, 0, {}, {}},
    {"NoPresentationApplication", &RegisterNothing, true, {u"d.zbn", u"o.ppt"},
     {{u"Zbn2PPT", u"MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed."}}, 1, {}, 0, {}, {}},
    {"SavedWithTemplate", kScripted, true, {u"d.zbn", u"o.ppt", u"T.pot"}, {}, 0, {u"T.pot"}, 0, {u"d.zbn"}, {u"o.ppt"}},
    {"DerivedOutput", kScripted, true, {u" d.zbn "}, {}, 0, {}, 1, {u"d.zbn"}, {u"d.ppt"}},
    {"MissingTemplateGoesOnWithBlank", kScripted, true, {u"d.zbn", u"o.ppt", u"none.pot"},
     {{u"Warning", u"Warning!  MS-PowerPoint Template."}}, 0, {}, 1, {u"d.zbn"}, {u"o.ppt"}},
    {"ViewerMissingIsAFailure", kScripted, false, {u"d.zbn", u"o.ppt"},
     {{u"Zbn2PPT", u"Trelvo Presenter 2009 or above is not installed properly"}}, 1, {}, 1, {}, {u"o.ppt"}},
    // clang-format on
};

class AppTest : public ::testing::TestWithParam<AppCase> {};

TEST_P(AppTest, RunsTheRequestAndReportsHowItEnded) {
    const AppCase& c = GetParam();
    TempFolder folder;
    std::ofstream(folder.path() / "T.pot") << "template";
    std::vector<std::u16string> arguments = {u"zbn2ppt"};
    for (const std::u16string& name : c.arguments) {
        // Blanks around a name stay around the whole path.
        const auto first = name.find_first_not_of(u' ');
        const auto last = name.find_last_not_of(u' ');
        arguments.push_back(name.substr(0, first) +
                            folder.In(name.substr(first, last - first + 1)) +
                            name.substr(last + 1));
    }
    const auto in_folder = [&](const std::vector<std::u16string>& names) {
        std::vector<std::u16string> paths;
        for (const std::u16string& name : names) {
            paths.push_back(folder.In(name));
        }
        return paths;
    };
    test_support::ScriptedServer server;
    test_support::ScriptPresentationApp(server, {.viewer_installed = c.viewer_available});
    g_server = &server;
    framework::SetArguments(arguments);

    std::vector<Box> boxes;
    framework::ScopedMessageBoxSink sink(
        [&](std::u16string_view text, std::u16string_view caption, UINT type) {
            // The application's own boxes show the exclamation mark
            // (MB_ICONEXCLAMATION); the command line's have no icon.
            EXPECT_EQ(type, caption == u"Zbn2PPT" ? 0x30u : MB_OK);
            boxes.push_back(
                {std::u16string(caption), std::u16string(text.substr(0, text.find(u'\n')))});
        });
    int exit_status = -1;
    {
        CZbn2PPTApp app(c.register_classes);
        exit_status = AfxWinMain();
    }
    g_registration.reset();

    EXPECT_EQ(boxes, c.boxes);
    EXPECT_EQ(exit_status, c.exit_status);
    namespace o = test_support::app_object;
    EXPECT_EQ(FirstArguments(server, o::kPresentations, 2005), in_folder(c.templates_opened));
    EXPECT_EQ(CountCalls(server, o::kPresentations, 2003), c.blanks_added);
    EXPECT_EQ(FirstArguments(server, o::kControl, 1), in_folder(c.viewer_data_paths));
    EXPECT_EQ(FirstArguments(server, o::kPresentation, 2036), in_folder(c.saved_as));
    EXPECT_EQ(CountCalls(server, o::kApplication, 2021), c.saved_as.empty() ? 0 : 1) << "quit";
    EXPECT_EQ(server.ReferenceProblems(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Runs, AppTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<AppCase>& param) {
                             return std::string(param.param.name);
                         });

// The commands of the command map arrive only through a message loop, which
// never runs; they are still answered, and none of them shows anything.
TEST(AppCommandMapTest, AnswersItsCommandsOnly) {
    std::vector<std::u16string> shown;
    framework::ScopedMessageBoxSink sink(
        [&](std::u16string_view text, std::u16string_view, UINT) { shown.emplace_back(text); });
    CZbn2PPTApp app(&RegisterNothing);
    for (const UINT id : {57664u, 57600u, 57601u, 57606u}) {
        EXPECT_TRUE(app.OnCmdMsg(id)) << id;
    }
    for (const UINT id : {0u, 1u, 100u, 57602u, 57665u}) {
        EXPECT_FALSE(app.OnCmdMsg(id)) << id;
    }
    EXPECT_TRUE(shown.empty());
}

}  // namespace
