// The protocol's pieces that the rest takes on trust: ProgIDs found without
// regard to case, and file names that survive UTF-16 byte for byte.
#include <gtest/gtest.h>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "automation/text_codec.h"
#include "automation/variant.h"

namespace automation {
namespace {

TEST(AutomationTest, ProgIdsIgnoreCase) {
    constexpr Clsid kFirst =
        Clsid::FromFields(0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(kFirst.ToString(), "{12345678-9ABC-DEF0-0102-030405060708}");
    ClassRegistry registry;
    registry.Register({u"Za.Viewer.1", kFirst, nullptr, true});
    EXPECT_EQ(registry.ClsidFromProgId(u"zA.VIEWER.1"), kFirst);
    EXPECT_FALSE(registry.ClsidFromProgId(u"Za.Viewer.2"));
    // As in the system registry, a ProgID names one class: the last registered.
    constexpr Clsid kSecond = Clsid::FromFields(0xFFFFFFFF, 0, 0, {});
    registry.Register({u"ZA.VIEWER.1", kSecond, [] { return DispatchPtr(); }, true});
    EXPECT_EQ(registry.ClsidFromProgId(u"za.viewer.1"), kSecond);
    EXPECT_THROW(registry.CreateInstance(kFirst), AutomationError);
}

// VT_R4 to VT_I4 as VariantChangeType does it: halves to even, in range only.
TEST(AutomationTest, FloatsBecomeIntegersInRange) {
    EXPECT_EQ(Variant::R4(-2147483648.0f).ChangeType(VT_I4).AsI4(), INT32_MIN);
    EXPECT_EQ(Variant::R4(2.5f).ChangeType(VT_I4).AsI4(), 2);
    EXPECT_THROW((void)Variant::R4(2147483648.0f).ChangeType(VT_I4), AutomationError);
}

TEST(AutomationTest, CarriesEveryByteThroughUtf16) {
    // Latin-1, a truncated sequence, an overlong slash and an encoded
    // surrogate are not UTF-8: each of their bytes is escaped alone.
    const std::pair<std::string, std::u16string> cases[] = {
        {"\xc3\xa9t\xc3\xa9\xf0\x9f\x93\x8a", u"\u00e9t\u00e9\U0001F4CA"},
        {"\xc2\x80\xe0\xa0\x80\xf0\x90\x80\x80", u"\u0080\u0800\U00010000"},  // each length's least
        {"\x7f\xdf\xbf\xef\xbf\xbf\xf4\x8f\xbf\xbf", u"\u007f\u07ff\uffff\U0010FFFF"},  // and most
        {"caf\xe9", u"caf\xdce9"},
        {"a\xe2\x82", u"a\xdce2\xdc82"},
        {"\xc0\xaf\xed\xa0\x80", u"\xdcc0\xdcaf\xdced\xdca0\xdc80"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(DecodeOsString(bytes), text);
        EXPECT_EQ(EncodeOsString(text), bytes);
    }
    // A surrogate without its partner is U+FFFD, whichever half it is.
    EXPECT_EQ(ToUtf8(u"a\xd800z\xdc00\xdc01"), "a\xef\xbf\xbdz\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(FromUtf8("a\xffz"), u"a\xfffdz");
}

}  // namespace
}  // namespace automation
