// The scripted server must itself tell faults apart: a stray call, a missing
// or an extra release, a registration left behind.
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "framework/ole_dispatch_driver.h"

namespace test_support {
namespace {

using automation::AutomationError;
using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::Variant;

TEST(ScriptedServerTest, AnswersInTurnRepeatsTheLastAndRecordsEverything) {
    ScriptedServer server;
    server.On("slides", 11, DISPATCH_PROPERTYGET, {Reply::Int(3), Reply::Float(2.5f)});
    auto slides = server.HandOut("slides");
    const Variant args[] = {Variant::I4(7), Variant::Bstr(u"x")};
    Variant first, second, third;
    slides->Invoke(11, DISPATCH_PROPERTYGET, args, first);
    slides->Invoke(11, DISPATCH_PROPERTYGET, {}, second);
    slides->Invoke(11, DISPATCH_PROPERTYGET, {}, third);
    EXPECT_EQ(first.AsI4(), 3);
    EXPECT_EQ(second.AsR4(), 2.5f);
    EXPECT_EQ(third.AsR4(), 2.5f);
    ASSERT_EQ(server.calls().size(), 3u);
    const Call expected{"slides", 11, DISPATCH_PROPERTYGET, {7, u"x"}, automation::VT_I4, false};
    EXPECT_EQ(server.calls()[0], expected);
    EXPECT_EQ(server.calls()[1].answered, automation::VT_R4);
}

TEST(ScriptedServerTest, AnUnscriptedCallFailsAndIsRecordedAsFailed) {
    ScriptedServer server;
    auto object = server.HandOut("shapes");
    Variant result;
    try {
        object->Invoke(2008, DISPATCH_METHOD, {}, result);
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), automation::DISP_E_MEMBERNOTFOUND);
    }
    ASSERT_EQ(server.calls().size(), 1u);
    EXPECT_TRUE(server.calls()[0].failed);
}

TEST(ScriptedServerTest, ObjectArgumentsAndAnswersAreRecordedByName) {
    ScriptedServer server;
    server.On("a", 1, DISPATCH_METHOD, {Reply::Object("b"), Reply::NoObject()});
    auto a = server.HandOut("a");
    const Variant args[] = {Variant::Dispatch(server.HandOut("c")), Variant::Dispatch({})};
    Variant result;
    a->Invoke(1, DISPATCH_METHOD, args, result);
    EXPECT_EQ(result.AsDispatch().get(), &server.Object("b"));
    result.Clear();
    a->Invoke(1, DISPATCH_METHOD, {}, result);
    EXPECT_EQ(result.AsDispatch().get(), nullptr);
    const std::vector<Value> recorded = {ObjectName{"c"}, ObjectName{}};
    EXPECT_EQ(server.calls()[0].args, recorded);
}

TEST(ScriptedServerTest, TellsAMissingReleaseFromAnExtraOne) {
    ScriptedServer server;
    automation::IDispatch* kept = server.HandOut("kept").Detach();
    automation::IDispatch* over = server.HandOut("over").Detach();
    over->Release();
    over->Release();
    const std::vector<std::string> problems = {"kept: 1 reference(s) never released",
                                               "over: released 1 time(s) more than handed out"};
    EXPECT_EQ(server.ReferenceProblems(), problems);
    EXPECT_EQ(server.Outstanding("over"), -1);
    kept->Release();
    const std::vector<Release> releases = {{"over", 0}, {"over", 0}, {"kept", 0}};
    EXPECT_EQ(server.releases(), releases);
}

TEST(ScriptedServerTest, ChosenCallsFailOrAnswerDifferently) {
    ScriptedServer server;
    server.On("a", 1, DISPATCH_METHOD, Reply::Int(1));
    server.FailCall(1, automation::E_FAIL, "broken");
    server.AnswerCall(2, Reply::Custom([](std::span<const Variant> args) {
                          return Reply::Int(args[0].AsI4() * 2);
                      }));
    auto a = server.HandOut("a");
    const Variant args[] = {Variant::I4(21)};
    Variant result;
    a->Invoke(1, DISPATCH_METHOD, args, result);
    EXPECT_THROW(a->Invoke(1, DISPATCH_METHOD, args, result), AutomationError);
    a->Invoke(1, DISPATCH_METHOD, args, result);
    EXPECT_EQ(result.AsI4(), 42);
    a.Reset();
    const std::vector<Release> releases = {{"a", 3}};  // after the third call
    EXPECT_EQ(server.releases(), releases);
}

TEST(ScriptedServerTest, RegistrationServesTheObjectAndPutsBackWhatItDisplaced) {
    auto& registry = automation::ClassRegistry::Instance();
    ScriptedServer server;
    {
        const auto outer = server.ServeAs(u"Test.App", "outer");
        {
            ScriptedServer inner_server;
            const auto inner = inner_server.ServeAs(u"Test.App", "inner");
            COleDispatchDriver driver;
            EXPECT_TRUE(driver.CreateDispatch(u"Test.App"));
            EXPECT_EQ(driver.m_lpDispatch, &inner_server.Object("inner"));
        }
        COleDispatchDriver driver;
        EXPECT_TRUE(driver.CreateDispatch(u"Test.App"));
        EXPECT_EQ(driver.m_lpDispatch, &server.Object("outer"));
    }
    EXPECT_EQ(registry.FindByProgId(u"Test.App"), nullptr);
    EXPECT_EQ(server.ReferenceProblems(), std::vector<std::string>{});
    EXPECT_EQ(server.calls()[0].kind, kCreate);
}

TEST(ScriptedServerTest, ObjectsOutlivingTheirServerAnswerAsDisconnected) {
    automation::DispatchPtr survivor;
    {
        ScriptedServer server;
        server.On("x", 1, DISPATCH_METHOD, Reply::Nothing());
        survivor = server.HandOut("x");
    }
    Variant result;
    try {
        survivor->Invoke(1, DISPATCH_METHOD, {}, result);
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), automation::RPC_E_DISCONNECTED);
    }
}

}  // namespace
}  // namespace test_support
