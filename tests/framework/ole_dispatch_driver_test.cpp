#include "framework/ole_dispatch_driver.h"

#include <gmock/gmock.h>
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
    EXPECT_THAT(
        [&] { driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr); },
        ::testing::Throws<automation::AutomationError>(::testing::AllOf(
            ::testing::Property(&automation::AutomationError::code, automation::DISP_E_EXCEPTION),
            ::testing::Property(&automation::AutomationError::description,
                                ::testing::StrEq("server broke")))));
}

}  // namespace
