#include "framework/ole_dispatch_driver.h"

#include <gtest/gtest.h>

#include "automation/automation_error.h"
#include "automation/dispatch_object.h"

namespace {

// Fails as a server may: with an exception that is no automation error.
class BrokenServer : public automation::DispatchObject {
  public:
    void Invoke(DISPID, std::uint16_t, std::span<const automation::Variant>,
                automation::Variant&) override {
        throw std::runtime_error("server broke");
    }
};

TEST(OleDispatchDriverTest, AServersFailureArrivesAsAnExceptionWithItsText) {
    COleDispatchDriver driver(new BrokenServer);
    try {
        driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
        ADD_FAILURE();
    } catch (const automation::AutomationError& e) {
        EXPECT_EQ(e.code(), automation::DISP_E_EXCEPTION);
        EXPECT_STREQ(e.description(), "server broke");
    }
}

}  // namespace
