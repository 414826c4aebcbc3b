#include "framework/ole_dispatch_driver.h"

#include <gtest/gtest.h>

#include <vector>

#include "automation/automation_error.h"
#include "automation/dispatch_object.h"

namespace {

using automation::Variant;

// Keeps the last call's arguments and answers 720, or fails.
class EchoServer : public automation::DispatchObject {
  public:
    void Invoke(DISPID, std::uint16_t, std::span<const Variant> args, Variant& result) override {
        last_args.assign(args.begin(), args.end());
        if (fail) {
            throw std::runtime_error("server broke");
        }
        result = Variant::I4(720);
    }
    std::vector<Variant> last_args;
    bool fail = false;
};

// The typed arguments in order are the builder table's; here what it cannot send.
TEST(OleDispatchDriverTest, RefusesMismatchedListsAndPassesTheServersFailureOn) {
    auto* server = new EchoServer;
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
    EXPECT_TRUE(server->last_args.empty());

    server->fail = true;
    try {
        driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
        ADD_FAILURE();
    } catch (const automation::AutomationError& e) {
        EXPECT_EQ(e.code(), automation::DISP_E_EXCEPTION);
        EXPECT_STREQ(e.description(), "server broke");
    }
}

}  // namespace
