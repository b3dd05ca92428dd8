#include "app/text_helpers.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

struct FoldCase {
    const char* text;
    const char* expected;
};

TEST(FoldDiacritics, Table) {
    const FoldCase cases[] = {
        {"\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2", "Zlutoucky kun"}, // Žluťoučký kůň
        {"\xA3\xF3\x64\x9F", "Lodz"},                         // Łódź
        {"\xB3\xB9ka", "\xB3"
                       "aka"}, // łąka -> łaka
        {"Stavebn\xED firma Nov\xE1k", "Stavebni firma Novak"},
        {"\xDF\xD7\xF7\xA1\xFF\xA0\x80\x84", "\xDF\xD7\xF7\xA1\xFF\xA0\x80\x84"}, // unchanged
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(FoldDiacritics(c.text), c.expected);
    }
}

TEST(FoldDiacritics, EveryHighCodeFoldsToOneCharacter) {
    std::string all;
    for (int b = 0x80; b < 0x100; ++b)
        all += static_cast<char>(b);
    std::string folded = FoldDiacritics(all);
    ASSERT_EQ(folded.size(), all.size());
    int changed = 0;
    for (size_t i = 0; i < all.size(); ++i)
        changed += folded[i] != all[i];
    EXPECT_EQ(changed, 79); // the letters of the folding table
    // Every upper-case letter folds to an upper-case letter and back.
    EXPECT_EQ(FoldDiacritics("\xC1\xC8\xCF\xC9\xCC\xCD\xD2\xD3\xD8\x8A\x8D\xDA\xD9\xDD\x8E"),
              "ACDEEINORSTUUYZ");
}

struct ReplaceCase {
    const char* text;
    const char* oldText;
    const char* newText;
    const char* expected;
};

TEST(ReplaceAllNoCase, Table) {
    const ReplaceCase cases[] = {
        {"a b  c", " ", "_", "a_b__c"},
        {"Xx", "x", "xx", "xxxx"},
        {"\xE8\xC8", "\xE8", "c", "cc"}, // čČ -> cc
        {"abc", "", "x", "abc"},
        {"", "a", "b", ""},
        {"aaa", "aa", "b", "ba"},
        {"ABCabc", "b", "", "ACac"},
        {"Stavebni firma_Brno", " ", "_", "Stavebni_firma_Brno"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(ReplaceAllNoCase(c.text, c.oldText, c.newText), c.expected);
    }
}

struct PosCase {
    const char* sub;
    const char* text;
    long long start;
    size_t expected;
};

TEST(PosFrom, Table) {
    const PosCase cases[] = {
        {"ab", "abcab", 2, 4}, {"ab", "abcab", 6, 0},  {"ab", "abcab", 1, 1},
        {"ab", "abcab", 0, 1}, {"ab", "abcab", -5, 1}, {"", "abc", 1, 0},
        {"x", "abc", 1, 0},    {"b", "abc", 3, 0},     {"c", "abc", 3, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " from " + std::to_string(c.start));
        EXPECT_EQ(PosFrom(c.sub, c.text, c.start), c.expected);
    }
}

TEST(PathHelpers, TrailingDelimiterAndLastChar) {
    EXPECT_EQ(AddTrailingBackslash("/data"), "/data/");
    EXPECT_EQ(AddTrailingBackslash("/data/"), "/data/");
    EXPECT_EQ(AddTrailingBackslash("C:\\data\\"), "C:\\data\\");
    EXPECT_EQ(AddTrailingBackslash(""), "/");
    EXPECT_EQ(LastChar(""), '\0');
    EXPECT_EQ(LastChar("ab"), 'b');
    EXPECT_EQ(UpperText("\xE8\x9A\x61"), "\xC8\x8A\x41");
    EXPECT_EQ(FolderOfPath("/opt/host/kanvo/kanvo"), "/opt/host/kanvo/");
    EXPECT_EQ(FolderOfPath("kanvo"), "");
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
}

} // namespace
} // namespace kanvo
