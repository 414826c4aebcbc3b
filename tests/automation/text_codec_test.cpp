#include "automation/text_codec.h"

#include <gtest/gtest.h>

namespace automation {
namespace {

struct RoundTrip {
    std::string bytes;
    std::u16string text;
};

class OsStringTest : public testing::TestWithParam<RoundTrip> {};

TEST_P(OsStringTest, DecodesAndEncodesBackByteForByte) {
    const auto& [bytes, text] = GetParam();
    EXPECT_EQ(DecodeOsString(bytes), text);
    EXPECT_EQ(EncodeOsString(DecodeOsString(bytes)), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, OsStringTest,
    testing::Values(RoundTrip{"", u""}, RoundTrip{"plain.zbn", u"plain.zbn"},
                    RoundTrip{"\xc3\xa9t\xc3\xa9.zbn", u"\u00e9t\u00e9.zbn"},
                    RoundTrip{"\xf0\x9f\x93\x8a", u"\U0001F4CA"},
                    // Latin-1 bytes, a truncated sequence, an overlong slash and an
                    // encoded surrogate are not UTF-8: each byte is escaped alone.
                    RoundTrip{"caf\xe9.zbn", u"caf\xdce9.zbn"},
                    RoundTrip{"a\xe2\x82", u"a\xdce2\xdc82"},
                    RoundTrip{"\xc0\xaf", u"\xdcc0\xdcaf"},
                    RoundTrip{"\xed\xa0\x80", u"\xdced\xdca0\xdc80"}));

TEST(Utf8Test, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(ToUtf8(u"a\xd800z"), "a\xef\xbf\xbdz");
    EXPECT_EQ(EncodeOsString(u"a\xd800z"), "a\xef\xbf\xbdz");
    EXPECT_EQ(FromUtf8("a\xffz"), u"a\xfffdz");
}

}  // namespace
}  // namespace automation
