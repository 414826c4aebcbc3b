// What the real program's runs (tests/cli) do not reach: replacements that
// could overlap or find nothing, and case folded for ASCII letters only.
#include "framework/cstring.h"

#include <gtest/gtest.h>

namespace {

TEST(CStringTest, ReplacesEveryExactMatchWithoutOverlapAndCountsThem) {
    CString text(u"aaa");
    EXPECT_EQ(text.Replace(u"aa", u"b"), 1);
    EXPECT_EQ(text, u"ba");
    EXPECT_EQ(text.Replace(u"", u"x"), 0);
    EXPECT_EQ(text, u"ba");
}

TEST(CStringTest, CompareNoCaseFoldsAsciiLettersOnly) {
    EXPECT_EQ(CString(u"ZBN").CompareNoCase(u"zbn"), 0);
    EXPECT_LT(CString(u"zbn").CompareNoCase(u"zbn "), 0);
    EXPECT_NE(CString(u"\u00c9").CompareNoCase(u"\u00e9"), 0);
}

}  // namespace
