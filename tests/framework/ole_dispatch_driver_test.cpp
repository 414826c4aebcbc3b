#include "framework/ole_dispatch_driver.h"

#include <gtest/gtest.h>

#include <vector>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "automation/dispatch_object.h"

namespace {

using automation::AutomationError;
using automation::Variant;

// Remembers the last call and answers with a fixed result.
class EchoServer : public automation::DispatchObject {
  public:
    explicit EchoServer(int& alive) : alive_(alive) { ++alive_; }
    ~EchoServer() override { --alive_; }

    void Invoke(DISPID member, std::uint16_t kind, std::span<const Variant> args,
                Variant& result) override {
        last_member = member;
        last_kind = kind;
        last_args.assign(args.begin(), args.end());
        if (fail) {
            throw std::runtime_error("server broke");
        }
        result = answer;
    }

    DISPID last_member = -1;
    std::uint16_t last_kind = 0;
    std::vector<Variant> last_args;
    Variant answer;
    bool fail = false;

  private:
    int& alive_;
};

TEST(OleDispatchDriverTest, PassesTypedArgumentsInListOrderAndConvertsTheResult) {
    int alive = 0;
    auto* server = new EchoServer(alive);
    COleDispatchDriver driver(server);
    COleVariant index(4);
    server->answer = Variant::I4(720);
    float width = 0;
    static const BYTE params[] = {VT_R4, VT_BSTR, VT_I4, VT_VARIANT, 0};
    driver.InvokeHelper(2008, DISPATCH_METHOD, VT_R4, &width, params, 1.5f, u"name",
                        std::int32_t{-1}, static_cast<const VARIANT*>(&index));
    ASSERT_EQ(server->last_args.size(), 4u);
    EXPECT_EQ(server->last_args[0].AsR4(), 1.5f);
    EXPECT_EQ(server->last_args[1].AsBstr(), u"name");
    EXPECT_EQ(server->last_args[2].AsI4(), -1);
    EXPECT_EQ(server->last_args[3].AsI4(), 4);
    EXPECT_EQ(server->last_kind, DISPATCH_METHOD);
    EXPECT_EQ(width, 720.0f);
}

TEST(OleDispatchDriverTest, MismatchedListsAreRefusedBeforeAnythingIsSent) {
    int alive = 0;
    auto* server = new EchoServer(alive);
    COleDispatchDriver driver(server);
    static const BYTE one_int[] = {VT_I4, 0};
    std::int32_t out = 0;
    EXPECT_THROW(driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, one_int, 1.0),
                 std::logic_error);
    EXPECT_THROW(driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, one_int),
                 std::logic_error);
    EXPECT_THROW(driver.InvokeHelper(1, DISPATCH_METHOD, VT_R4, &out, one_int, 1),
                 std::logic_error);
    EXPECT_THROW(driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, one_int, 1L),
                 std::logic_error);
    EXPECT_THROW(driver.InvokeHelper(0, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, nullptr),
                 std::logic_error);
    EXPECT_EQ(server->last_member, -1);

    // An empty wrapper sends nothing and writes no result.
    COleDispatchDriver empty;
    out = 42;
    empty.InvokeHelper(2029, DISPATCH_PROPERTYGET, VT_I4, &out, nullptr);
    EXPECT_EQ(out, 42);
}

TEST(OleDispatchDriverTest, ServerFailuresBecomeAutomationErrors) {
    int alive = 0;
    auto* server = new EchoServer(alive);
    COleDispatchDriver driver(server);
    server->fail = true;
    try {
        driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
        FAIL();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), automation::DISP_E_EXCEPTION);
        EXPECT_STREQ(e.description(), "server broke");
    }
}

TEST(OleDispatchDriverTest, AssignmentTakesAReferenceOfItsOwn) {
    int alive = 0;
    COleDispatchDriver first(new EchoServer(alive));
    COleDispatchDriver second;
    second = first;
    first.ReleaseDispatch();
    EXPECT_EQ(alive, 1);
    COleDispatchDriver& same = second;  // self-assignment, unseen by -Wself-assign
    second = same;
    second.ReleaseDispatch();
    EXPECT_EQ(alive, 0);
}

TEST(OleDispatchDriverTest, CreateDispatchFindsARegisteredClass) {
    int alive = 0;
    auto& registry = automation::ClassRegistry::Instance();
    registry.Register({u"Echo.Server", automation::Clsid::FromFields(1, 2, 3, {}),
                       [&] { return automation::DispatchPtr::Adopt(new EchoServer(alive)); }});
    {
        COleDispatchDriver driver;
        EXPECT_TRUE(driver.CreateDispatch(u"echo.server"));
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
    registry.Unregister(u"Echo.Server");

    COleDispatchDriver driver;
    COleException error;
    EXPECT_FALSE(driver.CreateDispatch(u"Echo.Server", &error));
    EXPECT_EQ(driver.m_lpDispatch, nullptr);
    EXPECT_EQ(error.m_sc, automation::CO_E_CLASSSTRING);
}

}  // namespace
