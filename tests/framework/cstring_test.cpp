#include "framework/cstring.h"

#include <gtest/gtest.h>

namespace {

TEST(CStringTest, TrimRemovesSurroundingWhiteSpaceOnly) {
    CString s(u" \t a b \r\n");
    EXPECT_EQ(s.Trim(), u"a b");
    EXPECT_EQ(CString(u" \v\f ").Trim(), u"");
}

struct ReplaceCase {
    std::u16string text, from, to, expected;
    int count;
};

class CStringReplaceTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(CStringReplaceTest, ReplacesEveryExactMatchAndCountsThem) {
    const auto& c = GetParam();
    CString s(c.text);
    EXPECT_EQ(s.Replace(c.from, c.to), c.count);
    EXPECT_EQ(s.str(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CStringReplaceTest,
    testing::Values(ReplaceCase{u"a.zbn", u".zbn", u".ppt", u"a.ppt", 1},
                    ReplaceCase{u"a.ZBN", u".zbn", u".ppt", u"a.ZBN", 0},
                    ReplaceCase{u"a.zbn\\b.zbn", u".zbn", u".ppt", u"a.ppt\\b.ppt", 2},
                    ReplaceCase{u"x.zbn.bak", u".zbn", u".ppt", u"x.ppt.bak", 1},
                    ReplaceCase{u"aaa", u"aa", u"b", u"ba", 1},
                    ReplaceCase{u"abc", u"", u"x", u"abc", 0}));

TEST(CStringTest, CompareNoCaseFoldsAsciiLetters) {
    EXPECT_EQ(CString(u"ZBN").CompareNoCase(u"zbn"), 0);
    EXPECT_NE(CString(u"zbn ").CompareNoCase(u"zbn"), 0);
    EXPECT_NE(CString(u"\u00c9").CompareNoCase(u"\u00e9"), 0);
}

TEST(CStringTest, SubstringsClampTheirCounts) {
    const CString s(u"part.zbn");
    EXPECT_EQ(s.Left(4), u"part");
    EXPECT_EQ(s.Right(3), u"zbn");
    EXPECT_EQ(s.Right(99), u"part.zbn");
    EXPECT_EQ(s.Left(-1), u"");
    EXPECT_EQ(s.ReverseFind(u'.'), 4);
}

}  // namespace
