#include "automation/variant.h"

#include <gtest/gtest.h>

#include "automation/automation_error.h"
#include "automation/dispatch_object.h"

namespace automation {
namespace {

class Counted : public DispatchObject {
  public:
    explicit Counted(int& alive) : alive_(alive) { ++alive_; }
    ~Counted() override { --alive_; }
    void Invoke(DISPID, std::uint16_t, std::span<const Variant>, Variant&) override {}

  private:
    int& alive_;
};

TEST(VariantTest, HoldsOneReferenceToADispatchAndReleasesItOnClear) {
    int alive = 0;
    Variant v = Variant::Dispatch(MakeRef<Counted>(alive));
    Variant copy = v;
    EXPECT_EQ(alive, 1);
    v.Clear();
    EXPECT_EQ(alive, 1);
    copy.Clear();
    EXPECT_EQ(alive, 0);
}

TEST(VariantTest, TakeDispatchLeavesTheVariantEmpty) {
    int alive = 0;
    Variant v = Variant::Dispatch(MakeRef<Counted>(alive));
    DispatchPtr taken = v.TakeDispatch();
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_EQ(alive, 1);
}

struct Conversion {
    Variant from;
    VARTYPE to;
    bool ok;
    double expected;
};

class ChangeTypeTest : public testing::TestWithParam<Conversion> {};

TEST_P(ChangeTypeTest, ConvertsBetweenNumbersOnly) {
    const auto& c = GetParam();
    if (!c.ok) {
        EXPECT_THROW(c.from.ChangeType(c.to), AutomationError);
        return;
    }
    const Variant out = c.from.ChangeType(c.to);
    ASSERT_EQ(out.vt(), c.to);
    EXPECT_EQ(c.to == VT_I4 ? static_cast<double>(out.AsI4()) : static_cast<double>(out.AsR4()),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(Types, ChangeTypeTest,
                         testing::Values(Conversion{Variant::I4(7), VT_R4, true, 7.0},
                                         Conversion{Variant::R4(2.5f), VT_I4, true, 2.0},
                                         Conversion{Variant::R4(3.5f), VT_I4, true, 4.0},
                                         Conversion{Variant::R4(-1.5f), VT_I4, true, -2.0},
                                         Conversion{Variant::R4(3e9f), VT_I4, false, 0},
                                         Conversion{Variant::Bstr(u"1"), VT_I4, false, 0},
                                         Conversion{Variant(), VT_DISPATCH, false, 0}));

}  // namespace
}  // namespace automation
