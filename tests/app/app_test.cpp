// The whole program in process: start-up, the command line and the builder
// against the scripted presentation application, with message boxes captured.
// What the real program shows is tested on it (tests/cli); here are the runs
// it cannot be made to take: OLE failing, no presentation application, no
// viewer.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/zbn2ppt_app.h"
#include "automation/text_codec.h"
#include "framework/arguments.h"
#include "framework/message_box.h"
#include "framework/win_app.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace {

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

struct AppCase {
    const char* name;
    framework::OleInitHandler register_classes;
    bool viewer_installed;
    std::vector<std::u16string> arguments;  // names inside the case's folder
    // Each box as "caption|type|first line of the text".
    std::vector<std::u16string> boxes;
    int exit_status;
};

const char16_t* kOleFailed =
    u"Zbn2PPT|48|OLE initialization failed.  Make sure that the OLE libraries are the correct "
    u"version.";

// A failed OLE start-up is the only message: the command line (here one that
// would ask for help) is never looked at.
const AppCase kCases[] = {
    {"OleInitFails", &RegistrationFails, true, {}, {kOleFailed}, 1},
    {"OleInitThrows", &RegistrationThrows, true, {}, {kOleFailed}, 1},
    {"Help", &RegisterScriptedApp, true, {}, {u"Help|0|Command Line Usage:"}, 2},
    {"NoPresentationApplication",
     &RegisterNothing,
     true,
     {u"d.zbn", u"o.ppt"},
     {u"Zbn2PPT|48|MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed."},
     1},
    {"Saved", &RegisterScriptedApp, true, {u"d.zbn", u"o.ppt"}, {}, 0},
    {"ViewerMissingIsAFailure",
     &RegisterScriptedApp,
     false,
     {u"d.zbn", u"o.ppt"},
     {u"Zbn2PPT|48|Trelvo Presenter 2009 or above is not installed properly"},
     1},
};

class AppTest : public ::testing::TestWithParam<AppCase> {};

TEST_P(AppTest, RunsTheRequestAndReportsHowItEnded) {
    const AppCase& c = GetParam();
    test_support::TempFolder folder("zbn2ppt-app");
    std::vector<std::u16string> arguments = {u"zbn2ppt"};
    for (const std::u16string& name : c.arguments) {
        arguments.push_back(folder.path().u16string() + u"/" + name);
    }
    test_support::ScriptedServer server;
    test_support::ScriptPresentationApp(server, {.viewer_installed = c.viewer_installed});
    g_server = &server;
    framework::SetArguments(arguments);

    std::vector<std::u16string> boxes;
    framework::ScopedMessageBoxSink sink(
        [&](std::u16string_view text, std::u16string_view caption, UINT type) {
            boxes.push_back(std::u16string(caption) + u"|" +
                            automation::FromUtf8(std::to_string(type)) + u"|" +
                            std::u16string(text.substr(0, text.find(u'\n'))));
        });
    int exit_status = -1;
    {
        CZbn2PPTApp app(c.register_classes);
        exit_status = AfxWinMain();
    }
    g_registration.reset();

    EXPECT_EQ(boxes, c.boxes);
    EXPECT_EQ(exit_status, c.exit_status);
    EXPECT_EQ(server.ReferenceProblems(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Runs, AppTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<AppCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
