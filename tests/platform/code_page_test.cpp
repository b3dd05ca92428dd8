#include "platform/code_page.h"
#include "platform/exception.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(CodePage, EveryByteOf1250SurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    WideString wide = AnsiToWide(all, 1250);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(WideToAnsi(wide, 1250), all);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all, 1250), 1250), all);
}

TEST(CodePage, SingleByteCodePagesRoundTripTheirDefinedBytes) {
    for (int cp : {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257}) {
        SCOPED_TRACE(cp);
        std::string all;
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
        EXPECT_EQ(WideToAnsi(AnsiToWide(all, cp), cp), all);
    }
}

struct KnownChar {
    int codePage;
    std::string ansi;
    std::u16string wide;
};

TEST(CodePage, KnownCharacters) {
    const KnownChar cases[] = {
        {1250, "\x8A\x9A\x8E\x9E\xC8\xE8\xD8\xF8", u"ŠšŽžČčŘř"},
        {1250, "\xF9\xA0\x80", u"ů\u00A0€"},
        {1251, "\xC0\xE1\xE2", u"Абв"},
        {1252, "\xE9\x80\x9F", u"é€Ÿ"},
        {1253, "\xC1\xE1", u"Αα"},
        {874, "\xA1", u"ก"},
        {932, "\x82\xA0", u"あ"},
        {936, "\xC4\xE3", u"你"},
        {949, "\xB0\xA1", u"가"},
        {950, "\xA4\xA4", u"中"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(AnsiToWide(c.ansi, c.codePage), c.wide);
        EXPECT_EQ(WideToAnsi(c.wide, c.codePage), c.ansi);
    }
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(WideToAnsi(u"a\u4E2Db", 1250), "a?b");
    EXPECT_EQ(WideToAnsi(u"x\U0001F600y", 1250), "x?y"); // one '?' for a surrogate pair
    EXPECT_EQ(WideToAnsi(u"a\u0416b", 932).size() >= 3, true);
    EXPECT_EQ(WideToAnsi(u"\U0001F600", 932), "?");
}

TEST(CodePage, Utf8Conversions) {
    EXPECT_EQ(Utf8ToWide("\xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD"), u"žluťoučký");
    EXPECT_EQ(WideToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), u"\U0001F600");
    // Broken input never throws and never reads past the end.
    EXPECT_EQ(Utf8ToWide("a\xC5"), u"a\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xFF\xFE"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
    EXPECT_EQ(WideToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(CodePage, UnknownCodePageThrows) {
    EXPECT_THROW(AnsiToWide("a", 1234), Exception);
    EXPECT_THROW(SetProcessCodePage(42), Exception);
    EXPECT_FALSE(IsSupportedCodePage(437));
}

TEST(CodePage, ProcessCodePageDefaultsTo1250) {
    EXPECT_EQ(ProcessCodePage(), 1250);
    SetProcessCodePage(1251);
    EXPECT_EQ(AnsiToWide("\xC0"), u"А");
    SetProcessCodePage(1250);
    EXPECT_EQ(AnsiToWide("\xC0"), u"Ŕ");
}

TEST(CodePage, UpperCaseOf1250FollowsTheCodePage) {
    // Every lower-case letter of the code page and its capital.
    const std::string lower = "abz\x9A\x9C\x9D\x9E\x9F\xB3\xB9\xBE\xBF\xE0\xE1\xE2\xE3\xE4\xE5\xE6"
                              "\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0\xF1\xF2\xF3\xF4\xF5\xF6"
                              "\xF8\xF9\xFA\xFB\xFC\xFD\xFE";
    const std::string upper = "ABZ\x8A\x8C\x8D\x8E\x8F\xA3\xA5\xBC\xAF\xC0\xC1\xC2\xC3\xC4\xC5\xC6"
                              "\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF\xD0\xD1\xD2\xD3\xD4\xD5\xD6"
                              "\xD8\xD9\xDA\xDB\xDC\xDD\xDE";
    EXPECT_EQ(AnsiUpperCase(lower, 1250), upper);
    EXPECT_EQ(AnsiLowerCase(upper, 1250), lower);
    // No capital in the code page: the byte stays (ß, µ, the no-break space).
    EXPECT_EQ(AnsiUpperCase("\xDF\xB5\xA0", 1250), "\xDF\xB5\xA0");
    // Cyrillic in 1251, and ASCII only in a double-byte code page.
    EXPECT_EQ(AnsiUpperCase("\xE0\xFF", 1251), "\xC0\xDF");
    EXPECT_EQ(AnsiUpperCase("a\x82\x61z", 932), "A\x82\x61Z");
}

TEST(CodePage, CaseInsensitiveComparison) {
    EXPECT_TRUE(AnsiSameText("\xE8\x61", "\xC8\x41"));
    EXPECT_FALSE(AnsiSameText("a", "b"));
    EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
    EXPECT_TRUE(SameTextAscii("LogOn", "LOGON"));
    EXPECT_FALSE(SameTextAscii("\xE8", "\xC8"));
}

} // namespace
} // namespace kanvo
