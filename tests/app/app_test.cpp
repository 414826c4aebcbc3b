// The whole program in process, in the runs that the real one (tests/cli)
// cannot be made to take: OLE failing, no presentation application, no viewer.
#include <gtest/gtest.h>

#include <optional>

#include "app/zbn2ppt_app.h"
#include "framework/arguments.h"
#include "framework/win_app.h"
#include "support/helpers.h"
#include "support/scripted_server.h"

namespace {

using namespace std::string_literals;

test_support::ScriptedServer* g_server = nullptr;
std::optional<test_support::ScopedClassRegistration> g_registration;

struct AppCase {
    const char* name;
    framework::OleInitHandler register_classes;
    bool viewer_installed;
    std::u16string message;  // the one box, caption and text
    int exit_status;
};

constexpr const char16_t* kOleFailed =
    u"Zbn2PPT: OLE initialization failed.  Make sure that the OLE libraries are the correct "
    u"version.";

const AppCase kCases[] = {
    {"OleInitFails", [] { return false; }, true, kOleFailed, 1},
    {"NoPresentationApplication", [] { return true; }, true,
     u"Zbn2PPT: MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed.", 1},
    {"ViewerMissing",
     [] {
         g_registration.emplace(g_server->ServeAs(u"PowerPoint.Application", "application"));
         return true;
     },
     false, u"Zbn2PPT: Trelvo Presenter 2009 or above is not installed properly", 1},
};

class AppTest : public ::testing::TestWithParam<AppCase> {};

TEST_P(AppTest, ShowsOneMessageAndFails) {
    const AppCase& c = GetParam();
    test_support::ScriptedServer server;
    test_support::ScriptPresentationApp(server, {.viewer_installed = c.viewer_installed});
    g_server = &server;
    // Without OLE the command line, here one that asks for help, is never read.
    const test_support::TempFolder folder("zbn2ppt-app");
    const std::u16string path = folder.path().u16string() + u"/d";
    framework::SetArguments(c.name[0] == 'O'
                                ? std::vector<std::u16string>{u"zbn2ppt"}
                                : std::vector{u"zbn2ppt"s, path + u".zbn", path + u".ppt"});
    test_support::MessageBoxRecorder messages;
    int exit_status = -1;
    {
        CZbn2PPTApp app(c.register_classes);
        exit_status = AfxWinMain();
    }
    g_registration.reset();

    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].caption + u": " + messages.shown()[0].text, c.message);
    EXPECT_EQ(messages.shown()[0].type, 0x30u);
    EXPECT_EQ(exit_status, c.exit_status);
    EXPECT_EQ(server.ReferenceProblems(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Runs, AppTest, ::testing::ValuesIn(kCases), test_support::CaseName());

}  // namespace
