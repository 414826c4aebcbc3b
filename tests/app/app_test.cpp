// The whole program in process, in the runs that the real one (tests/cli)
// cannot be made to take: OLE failing, no presentation application, no viewer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <optional>
#include <utility>

#include "app/zbn2ppt_app.h"
#include "framework/arguments.h"
#include "framework/win_app.h"
#include "support/helpers.h"
#include "support/scripted_server.h"

// Armed, the next allocation fails, as when memory has run out. (Allocated
// and freed here alike, which GCC cannot see through the replacement.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
namespace {
bool g_fail_next_allocation = false;
}  // namespace

void* operator new(std::size_t size) {
    void* p = std::exchange(g_fail_next_allocation, false) ? nullptr : std::malloc(size + 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace std::string_literals;

std::optional<test_support::ScriptedServer> g_server;

struct AppCase {
    const char* name;
    framework::OleInitHandler register_classes;
    std::u16string message;  // the one box, caption and text
};

const AppCase kCases[] = {
    {"OleInitFails", [] { return false; },
     u"Zbn2PPT: OLE initialization failed.  Make sure that the OLE libraries are the correct "
     u"version."},
    {"NoPresentationApplication", [] { return true; },
     u"Zbn2PPT: MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed."},
    {"ViewerMissing",
     [] {
         g_server.emplace(test_support::PresentationAppSetup{.viewer_installed = false});
         return true;
     },
     u"Zbn2PPT: Trelvo Presenter 2009 or above is not installed properly"},
    // Memory running out after OLE starts, before the build: the run says so.
    {"OutOfMemory",
     [] {
         g_fail_next_allocation = true;
         return true;
     },
     u"Zbn2PPT: not enough memory to build the presentation"},
};

class AppTest : public ::testing::TestWithParam<AppCase> {};

TEST_P(AppTest, ShowsOneMessageAndFails) {
    const AppCase& c = GetParam();
    // Without OLE the command line, here one that asks for help, is never read.
    const test_support::TempFolder folder("zbn2ppt-app");
    const std::u16string path = folder.path().u16string() + u"/d";
    framework::SetArguments(c.name[0] == 'O'
                                ? std::vector<std::u16string>{u"zbn2ppt"}
                                : std::vector{u"zbn2ppt"s, path + u".zbn", path + u".ppt"});
    test_support::MessageBoxRecorder messages;
    const int exit_status = [&] {
        CZbn2PPTApp app(c.register_classes);
        return AfxWinMain();
    }();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption + u": " + messages.shown[0].text, c.message);
    EXPECT_EQ(messages.shown[0].type, 0x30u);
    EXPECT_EQ(exit_status, 1);
    if (g_server) {
        EXPECT_THAT(g_server->ReferenceProblems(), ::testing::IsEmpty());
    }
    g_server.reset();
}

INSTANTIATE_TEST_SUITE_P(Runs, AppTest, ::testing::ValuesIn(kCases), test_support::CaseName());

}  // namespace
