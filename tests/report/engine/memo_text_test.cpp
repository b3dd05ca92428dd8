// Memo text expansion: bracket scan, inline and display formats, the whole
// text, TagStr/URL, repeated texts and the drawing-time placeholders.
#include "report/engine/memo_text.h"

#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "platform/format_settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <vector>

namespace kanvo {
namespace {

// 8-bit text of the process code page written as UTF-8 in the source.
AnsiString A(const char* utf8) {
    return Utf8ToAnsi(utf8, ProcessCodePage());
}

std::string Utf8(std::u16string_view text) {
    return WideToUtf8(text);
}

// A locale with "." as the decimal point and "/" between date parts, and the
// process code page 1250, whatever the machine has.
class MemoTextTest : public ::testing::Test {
protected:
    MemoTextTest() : savedCodePage_(ProcessCodePage()) { SetProcessCodePage(1250); }
    ~MemoTextTest() override { SetProcessCodePage(savedCodePage_); }

    // Evaluates from `values`; records every expression asked for; an unknown
    // one raises like a failing Calc.
    ExpressionEvaluator Evaluator() {
        return [this](const AnsiString& expression) -> Variant {
            calls.push_back(expression);
            auto it = values.find(expression);
            if (it == values.end())
                throw Exception("unknown expression " + expression);
            return it->second;
        };
    }

    WideString Expand(const char* utf8, const MemoTextOptions& options = {}) {
        last = ExpandMemoText(Utf8ToWide(utf8), options, Evaluator());
        return last.Text;
    }

    std::map<AnsiString, Variant> values;
    std::vector<AnsiString> calls;
    MemoTextExpansion last;

private:
    ScopedFormatSettings settings_{FormatSettings{}};
    int savedCodePage_;
};

// ---------------------------------------------------------------- bracket scan

struct ScanCase {
    const char* name;
    const char* text;
    const char* open;
    const char* close;
    size_t start;
    bool found;
    const char* expression;
    size_t spanStart, spanLength;
};

class MemoTextBracketScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(MemoTextBracketScan, FindsTheExpressionAndItsSpanInWideAnd8BitText) {
    const ScanCase& c = GetParam();
    BracketMatch<char> narrow = ScanBrackets<char>(c.text, c.open, c.close, c.start);
    EXPECT_EQ(narrow.Found, c.found);
    if (c.found) {
        EXPECT_EQ(narrow.Expression, c.expression);
        EXPECT_EQ(narrow.SpanStart, c.spanStart);
        EXPECT_EQ(narrow.SpanLength, c.spanLength);
    }
    // The texts are ASCII, so the wide scan must agree position by position.
    WideString text = Utf8ToWide(c.text), open = Utf8ToWide(c.open), close = Utf8ToWide(c.close);
    BracketMatch<char16_t> wide = ScanBrackets<char16_t>(text, open, close, c.start);
    EXPECT_EQ(wide.Found, c.found);
    if (c.found) {
        EXPECT_EQ(Utf8(wide.Expression), c.expression);
        EXPECT_EQ(wide.SpanStart, c.spanStart);
        EXPECT_EQ(wide.SpanLength, c.spanLength);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoTextBracketScan,
    ::testing::Values(
        ScanCase{"Simple", "a [b] c", "[", "]", 2, true, "b", 2, 3},
        ScanCase{"Nested", "Total: [a + [b]]!", "[", "]", 7, true, "a + [b]", 7, 9},
        ScanCase{"DeeplyNested", "[[[x]]]", "[", "]", 0, true, "[[x]]", 0, 7},
        ScanCase{"SingleQuotedBrackets", "['[x]']", "[", "]", 0, true, "'[x]'", 0, 7},
        ScanCase{"DoubleQuotedBracket", "[\"]\" + a]", "[", "]", 0, true, "\"]\" + a", 0, 9},
        ScanCase{"ApostropheInDoubleQuotes", "[\"it's\"] [b]", "[", "]", 0, true, "\"it's\"", 0, 8},
        ScanCase{"DoubleQuoteInSingleQuotes", "['say \"hi'] x", "[", "]", 0, true, "'say \"hi'", 0,
                 11},
        ScanCase{"EmptyExpression", "x[]y", "[", "]", 1, true, "", 1, 2},
        ScanCase{"NoOpeningAtStart", "a [b]", "[", "]", 0, false, "", 0, 0},
        ScanCase{"StartPastTheEnd", "[b]", "[", "]", 3, false, "", 0, 0},
        ScanCase{"EmptyText", "", "[", "]", 0, false, "", 0, 0},
        ScanCase{"UnbalancedTakesTheRest", "a [b + [c] d", "[", "]", 2, true, "b + [c] d", 2, 10},
        ScanCase{"UnclosedQuoteTakesTheRest", "['a] b", "[", "]", 0, true, "'a] b", 0, 6},
        ScanCase{"OpeningAtTheEnd", "abc [", "[", "]", 4, true, "", 4, 1},
        ScanCase{"CustomDelimiters", "<%a%> <%b%>", "<%", "%>", 0, true, "a", 0, 5},
        ScanCase{"CustomNested", "<%a <%b%>%>", "<%", "%>", 0, true, "a <%b%>", 0, 11},
        ScanCase{"OverlappingDelimiters", "<%>x", "<%", "%>", 0, true, "", 0, 3},
        ScanCase{"ClosingCutByTheEnd", "<%a%", "<%", "%>", 0, true, "a%", 0, 4},
        ScanCase{"EmptyClosingNeverCloses", "[a]b", "[", "", 0, true, "a]b", 0, 4},
        ScanCase{"EmptyOpeningFindsNothing", "[a]", "", "]", 0, false, "", 0, 0}),
    [](const auto& param) { return std::string(param.param.name); });

// ---------------------------------------------------------------- delimiters

TEST(MemoTextDelimiters, SplitAtTheFirstComma) {
    struct Case {
        const char* delimiters;
        const char* open;
        const char* close;
    };
    for (const Case& c :
         {Case{"[,]", "[", "]"}, Case{"<%,%>", "<%", "%>"}, Case{"<,>,>", "<", ">,>"},
          Case{",]", "", "]"}, Case{"[,", "[", ""}, Case{"[]", "", "[]"}, Case{"", "", ""}}) {
        ExpressionDelimiterPair pair = SplitExpressionDelimiters(c.delimiters);
        EXPECT_EQ(pair.Open, c.open) << c.delimiters;
        EXPECT_EQ(pair.Close, c.close) << c.delimiters;
    }
    AnsiString longClose = "[," + AnsiString(300, '}');
    EXPECT_EQ(SplitExpressionDelimiters(longClose).Close, AnsiString(255, '}'));
}

// ---------------------------------------------------------------- inline formats

TEST(MemoTextInlineFormats, KindLetterFormatStringAndDecimalSeparator) {
    struct Case {
        const char* text;
        const char* expression;
        bool hasFormat;
        TfrxFormatKind kind;
        const char* formatStr;
        const char* decimalSeparator;
    };
    using K = TfrxFormatKind;
    for (const Case& c : {
             Case{"Price", "Price", false, K::fkText, "", ""},
             Case{"Price #n%2,2f", "Price", true, K::fkNumeric, "%2.2f", ","},
             Case{"Price #N#,##0.00", "Price", true, K::fkNumeric, "#.##0.00", "."},
             Case{"Price #n%2-2f", "Price", true, K::fkNumeric, "%2.2f", "-"},
             Case{"Price #n%d", "Price", true, K::fkNumeric, "%d", ""},
             Case{"Date #Ddd.mm.yyyy", "Date", true, K::fkDateTime, "dd.mm.yyyy", ""},
             Case{"Date #dd.mm.yyyy", "Date", true, K::fkDateTime, "d.mm.yyyy", ""},
             Case{"Time #thh:nn", "Time", true, K::fkDateTime, "hh:nn", ""},
             Case{"Flag #BAno,Ne", "Flag", true, K::fkBoolean, "Ano,Ne", ""},
             Case{"Flag #bYes,No", "Flag", true, K::fkBoolean, "Yes,No", ""},
             Case{"Name #Xabc", "Name", true, K::fkText, "abc", ""},
             Case{"Name #", "Name", true, K::fkText, "", ""},
             Case{"x #N0.00)", "x #N0.00)", false, K::fkText, "", ""},
             Case{"IIF(a, 'x #', 'y')", "IIF(a, 'x #', 'y')", false, K::fkText, "", ""},
             Case{"a #N1 #N2", "a", true, K::fkNumeric, "1 #N2", ""},
             Case{"a#N0.0", "a#N0.0", false, K::fkText, "", ""},
         }) {
        InlineFormat f = ParseInlineFormat(Utf8ToWide(c.text));
        EXPECT_EQ(Utf8(f.Expression), c.expression) << c.text;
        ASSERT_EQ(f.Format.has_value(), c.hasFormat) << c.text;
        if (c.hasFormat) {
            EXPECT_EQ(f.Format->Kind, c.kind) << c.text;
            EXPECT_EQ(f.Format->FormatStr, c.formatStr) << c.text;
            EXPECT_EQ(f.Format->DecimalSeparator, c.decimalSeparator) << c.text;
        }
    }
}

TEST(MemoTextInlineFormats, FormatStringKeepsAtMost255Characters) {
    WideString text = u"a #n" + WideString(300, u'0');
    InlineFormat f = ParseInlineFormat(text);
    ASSERT_TRUE(f.Format);
    EXPECT_EQ(f.Format->FormatStr, AnsiString(255, '0'));
}

// ---------------------------------------------------------------- formatting values

TfrxFormat MakeFormat(TfrxFormatKind kind, const char* formatStr, const char* separator = "") {
    TfrxFormat f;
    f.Kind = kind;
    f.FormatStr = formatStr;
    f.DecimalSeparator = separator;
    return f;
}

TEST_F(MemoTextTest, FormatsValuesByKind) {
    using K = TfrxFormatKind;
    const Variant date = Variant::FromDate(EncodeDate(2026, 3, 5) + EncodeTime(14, 7, 0, 0));
    struct Case {
        const char* name;
        Variant value;
        TfrxFormat format;
        const char* expected;
    };
    const Case cases[] = {
        {"NullIsEmptyForText", Variant::Null(), MakeFormat(K::fkText, ""), ""},
        {"NullIsEmptyForNumbers", Variant::Null(), MakeFormat(K::fkNumeric, "%2.2f"), ""},
        {"NullIsEmptyForBooleans", Variant::Null(), MakeFormat(K::fkBoolean, "A,N"), ""},
        {"TextOfANumber", Variant(3.5), MakeFormat(K::fkText, "%2.2f"), "3.5"},
        {"TextOfAString", Variant("abc"), MakeFormat(K::fkText, ""), "abc"},
        {"Picture", Variant(1234.5), MakeFormat(K::fkNumeric, "#,##0.00"), "1,234.50"},
        {"PictureOfAText", Variant("2.25"), MakeFormat(K::fkNumeric, "#0.0"), "2.3"},
        // Without "#" a mask is a printf format: "0.0" has no directive.
        {"MaskWithoutHashIsPrintf", Variant(2.25), MakeFormat(K::fkNumeric, "0.0"), "0.0"},
        {"PictureWithSeparator", Variant(1234.5), MakeFormat(K::fkNumeric, "#0.00", ","),
         "1234,50"},
        {"IntegerFormat", Variant(41.6), MakeFormat(K::fkNumeric, "%d ks"), "42 ks"},
        {"UnsignedFormat", Variant(7), MakeFormat(K::fkNumeric, "%u"), "7"},
        {"FloatFormat", Variant(3.5), MakeFormat(K::fkNumeric, "%2.2f"), "3.50"},
        {"FloatFormatWithComma", Variant(3.5), MakeFormat(K::fkNumeric, "%2.2f", ","), "3,50"},
        {"SameSeparatorUnchanged", Variant(3.5), MakeFormat(K::fkNumeric, "%2.2f", "."), "3.50"},
        {"LongSeparatorIgnored", Variant(3.5), MakeFormat(K::fkNumeric, "%2.2f", ",,"), "3.50"},
        {"NumericOfIntegerText", Variant("12"), MakeFormat(K::fkNumeric, "%.3d"), "012"},
        {"DateTime", date, MakeFormat(K::fkDateTime, "dd.mm.yyyy hh:nn"), "05.03.2026 14:07"},
        {"BooleanTrue", Variant(true), MakeFormat(K::fkBoolean, "Ano,Ne"), "Ano"},
        {"BooleanFalse", Variant(false), MakeFormat(K::fkBoolean, "Ano,Ne"), "Ne"},
        {"BooleanOtherValue", Variant(5), MakeFormat(K::fkBoolean, "Ano,Ne"), "Ne"},
        {"BooleanTrueText", Variant("True"), MakeFormat(K::fkBoolean, "Ano,Ne"), "Ano"},
        {"BooleanSecondCommaKept", Variant(false), MakeFormat(K::fkBoolean, "A,B,C"), "B,C"},
        {"BooleanWithoutCommaTrue", Variant(true), MakeFormat(K::fkBoolean, "Ano"), ""},
        {"BooleanWithoutCommaFalse", Variant(false), MakeFormat(K::fkBoolean, "Ano"), "Ano"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8(FormatMemoValue(c.value, c.format, 1)), c.expected) << c.name;
}

TEST_F(MemoTextTest, FormattingFailuresFallBackToPlainText) {
    using K = TfrxFormatKind;
    struct Case {
        const char* name;
        Variant value;
        TfrxFormat format;
        const char* expected;
    };
    const Case cases[] = {
        {"TextIntoPicture", Variant("abc"), MakeFormat(K::fkNumeric, "#0.00"), "abc"},
        {"TextIntoInteger", Variant("abc"), MakeFormat(K::fkNumeric, "%d"), "abc"},
        {"TextIntoFloat", Variant("abc"), MakeFormat(K::fkNumeric, "%2.2f"), "abc"},
        {"BadDirective", Variant(3.5), MakeFormat(K::fkNumeric, "%q"), "3.5"},
        {"TwoDirectivesOneValue", Variant(3.5), MakeFormat(K::fkNumeric, "%f %f"), "3.5"},
        {"StringDirectiveForANumber", Variant(3.5), MakeFormat(K::fkNumeric, "%s"), "3.5"},
        {"HugeValueAsInteger", Variant(1e30), MakeFormat(K::fkNumeric, "%d"), "1E30"},
        {"TextIntoDate", Variant("soon"), MakeFormat(K::fkDateTime, "dd.mm.yyyy"), "soon"},
        {"PlaceholderIntoNumber", Variant("[TotalPages#]"), MakeFormat(K::fkNumeric, "%d"),
         "[TotalPages#]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8(FormatMemoValue(c.value, c.format, 1)), c.expected) << c.name;
}

TEST_F(MemoTextTest, DecimalSeparatorReplacesTheOneOfTheLocale) {
    FormatSettings czech;
    czech.DecimalSeparator = ',';
    czech.ThousandSeparator = ' ';
    ScopedFormatSettings scoped(czech);
    // The format's "." differs from the locale's ",": every "," becomes ".".
    EXPECT_EQ(
        Utf8(FormatMemoValue(Variant(3.5), MakeFormat(TfrxFormatKind::fkNumeric, "%2.2f", "."), 1)),
        "3.50");
    EXPECT_EQ(
        Utf8(FormatMemoValue(Variant(3.5), MakeFormat(TfrxFormatKind::fkNumeric, "%2.2f", ","), 1)),
        "3,50");
}

TEST_F(MemoTextTest, PlainTextGoesThroughTheCodePageOfTheFontCharset) {
    const AnsiString czech1250 = A("Příliš žluťoučký kůň");
    // Default charset: the process code page.
    EXPECT_EQ(Utf8(ValueToMemoText(Variant(czech1250), 1)), "Příliš žluťoučký kůň");
    // East European (238) is 1250 as well.
    EXPECT_EQ(Utf8(ValueToMemoText(Variant(czech1250), 238)), "Příliš žluťoučký kůň");
    // Russian (204): the same bytes read as 1251.
    const AnsiString cyrillic = AnsiString("\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(Utf8(ValueToMemoText(Variant(cyrillic), 204)), "Привет");
    // Numbers are ASCII in every code page.
    EXPECT_EQ(Utf8(ValueToMemoText(Variant(42), 204)), "42");
    // Wide values keep characters the process code page lacks.
    EXPECT_EQ(Utf8(ValueToMemoText(Variant(Utf8ToWide("Привет")), 204)), "Привет");
    EXPECT_EQ(Utf8(ValueToMemoText(Variant(Utf8ToWide("Привет")), 1)), "Привет");
    // The symbol charset has no code page: the bytes stay in the process one.
    EXPECT_EQ(Utf8(ValueToMemoText(Variant(czech1250), 2)), "Příliš žluťoučký kůň");
    EXPECT_EQ(Utf8(ValueToMemoText(Variant::Null(), 204)), "");
    // A failed format falls back through the charset as well.
    EXPECT_EQ(
        Utf8(FormatMemoValue(Variant(cyrillic), MakeFormat(TfrxFormatKind::fkNumeric, "%d"), 204)),
        "Привет");
}

// ---------------------------------------------------------------- expansion

TEST_F(MemoTextTest, NestedBracketsStayInsideTheOuterExpression) {
    values["a + [b]"] = Variant(7);
    EXPECT_EQ(Utf8(Expand("Total: [a + [b]]")), "Total: 7");
    EXPECT_EQ(calls, std::vector<AnsiString>{"a + [b]"});
}

TEST_F(MemoTextTest, BracketsInStringLiteralsAreNotDelimiters) {
    values["'[x]'"] = Variant("[x]");
    values["\"]\""] = Variant("]");
    EXPECT_EQ(Utf8(Expand("['[x]'] and [\"]\"]")), "[x] and ]");
    EXPECT_EQ(calls, (std::vector<AnsiString>{"'[x]'", "\"]\""}));
}

TEST_F(MemoTextTest, InsertedTextIsNeverScannedAgain) {
    values["a"] = Variant("[b]");
    values["b"] = Variant("B");
    EXPECT_EQ(Utf8(Expand("[a][b] [a]")), "[b]B [b]");
    EXPECT_EQ(calls, (std::vector<AnsiString>{"a", "b", "a"}));
}

TEST_F(MemoTextTest, InlineFormatsInTheText) {
    values["Price"] = Variant(3.5);
    values["Date"] = Variant::FromDate(EncodeDate(2026, 3, 5));
    values["Flag"] = Variant(true);
    values["Other"] = Variant(1);
    values["x #N0.00)"] = Variant("whole");
    EXPECT_EQ(Utf8(Expand("[Price #n%2,2f]")), "3,50");
    EXPECT_EQ(Utf8(Expand("[Date #Ddd.mm.yyyy]")), "05.03.2026");
    EXPECT_EQ(Utf8(Expand("[Date #dd.mm.yyyy]")), "5.03.2026");
    EXPECT_EQ(Utf8(Expand("[Flag #BAno,Ne]/[Other #BAno,Ne]")), "Ano/Ne");
    EXPECT_EQ(Utf8(Expand("[x #N0.00)]")), "whole");
}

TEST_F(MemoTextTest, DisplayFormatAppliesWithoutAnInlineFormat) {
    values["Price"] = Variant(3.5);
    MemoTextOptions options;
    options.DisplayFormat = MakeFormat(TfrxFormatKind::fkNumeric, "%2.2f", ",");
    EXPECT_EQ(Utf8(Expand("[Price] [Price #n%2.1f]", options)), "3,50 3.5");
}

TEST_F(MemoTextTest, HideZerosEmptiesNumericZeroOnly) {
    values["n"] = Variant(0);
    values["f"] = Variant(0.0);
    values["s"] = Variant("0");
    values["one"] = Variant(1);
    values["nothing"] = Variant::Null();
    MemoTextOptions options;
    options.HideZeros = true;
    EXPECT_EQ(Utf8(Expand("<[n]|[f]|[s]|[one]|[nothing]>", options)), "<||0|1|>");
    // The hidden zero is still the memo's value.
    ASSERT_TRUE(last.Value);
    EXPECT_TRUE(last.Value->IsNull());
    Expand("[n]", options);
    ASSERT_TRUE(last.Value);
    EXPECT_EQ(last.Value->Type(), VarType::Integer);
    // Without HideZeros the zero shows.
    EXPECT_EQ(Utf8(Expand("[n]|[f]")), "0|0");
}

TEST_F(MemoTextTest, PageTotalAndCopyNameStayPlaceholders) {
    MemoTextOptions options;
    options.DisplayFormat = MakeFormat(TfrxFormatKind::fkNumeric, "%d");
    EXPECT_EQ(Utf8(Expand("Page of [TotalPages#], [copyname#]", options)),
              "Page of [TotalPages#], [CopyName#]");
    EXPECT_TRUE(calls.empty());
    ASSERT_TRUE(last.Value);
    EXPECT_EQ(VarToStr(*last.Value), "[CopyName#]");
    // Only the exact name: anything else goes to the evaluator.
    values[" TotalPages#"] = Variant(3);
    EXPECT_EQ(Utf8(Expand("[ TotalPages#]")), "3");
}

TEST_F(MemoTextTest, ValueOfTheLastExpressionIsReported) {
    values["a"] = Variant(1);
    values["b"] = Variant("two");
    Expand("[a] and [b] end");
    ASSERT_TRUE(last.Value);
    EXPECT_EQ(VarToStr(*last.Value), "two");
    Expand("no expressions");
    EXPECT_FALSE(last.Value);
}

TEST_F(MemoTextTest, TextWithoutExpressionsIsUntouched) {
    for (const char* text : {"", "plain", "closing ] only", "x", "line\r\n"}) {
        EXPECT_EQ(Utf8(Expand(text)), text);
        EXPECT_TRUE(calls.empty()) << text;
    }
}

TEST_F(MemoTextTest, LoneOpeningDelimiterIsAnEmptyExpression) {
    values[""] = Variant("E");
    EXPECT_EQ(Utf8(Expand("[")), "E");
    EXPECT_EQ(Utf8(Expand("price [")), "price E");
    EXPECT_EQ(calls, (std::vector<AnsiString>{"", ""}));
}

TEST_F(MemoTextTest, UnbalancedOpeningMakesTheRestOneExpression) {
    values["a"] = Variant("A");
    values["b + [c] d\r\nnext"] = Variant("R");
    EXPECT_EQ(Utf8(Expand("[a] [b + [c] d\r\nnext")), "A R");
    EXPECT_EQ(calls.back(), "b + [c] d\r\nnext");
}

TEST_F(MemoTextTest, CustomDelimiters) {
    values["a"] = Variant("A");
    values["b <%c%>"] = Variant("B");
    MemoTextOptions options;
    options.ExpressionDelimiters = "<%,%>";
    EXPECT_EQ(Utf8(Expand("[a] <%a%>-<%b <%c%>%>", options)), "[a] A-B");
    options.ExpressionDelimiters = "{{,}}";
    EXPECT_EQ(Utf8(Expand("x{{a}}y{{a}}", options)), "xAyA");
    // Without a comma the opening delimiter is empty: nothing expands.
    options.ExpressionDelimiters = "[]";
    calls.clear();
    EXPECT_EQ(Utf8(Expand("[a]", options)), "[a]");
    EXPECT_TRUE(calls.empty());
}

TEST_F(MemoTextTest, OpeningDelimiterAtTheVeryStartAndEnd) {
    values["a"] = Variant("A");
    values["b"] = Variant("B");
    EXPECT_EQ(Utf8(Expand("[a]")), "A");
    EXPECT_EQ(Utf8(Expand("[a][b]")), "AB");
    EXPECT_EQ(Utf8(Expand("x[a]")), "xA");
}

TEST_F(MemoTextTest, CzechTextThroughTheProcessCodePage) {
    values[A("Cena zboží")] = Variant(A("Žluťoučký kůň"));
    EXPECT_EQ(Utf8(Expand("Zboží: [Cena zboží]; ďábel")), "Zboží: Žluťoučký kůň; ďábel");
    EXPECT_EQ(calls, std::vector<AnsiString>{A("Cena zboží")});
    // With the East European charset the value's bytes are read as 1250 too.
    MemoTextOptions options;
    options.Charset = 238;
    EXPECT_EQ(Utf8(Expand("[Cena zboží]", options)), "Žluťoučký kůň");
}

TEST_F(MemoTextTest, EvaluatorErrorsPassThrough) {
    EXPECT_THROW(Expand("[missing]"), Exception);
}

TEST_F(MemoTextTest, LongTextsExpandInLinearTime) {
    // 40,000 expressions in about 4 MB: rebuilding the text on every
    // replacement would move terabytes; one pass takes milliseconds.
    values["v"] = Variant("value");
    const WideString chunk = WideString(95, u'x') + u"[v]";
    WideString text;
    for (int i = 0; i < 40000; ++i)
        text += chunk;
    const ExpressionEvaluator evaluate = Evaluator();
    const auto begin = std::chrono::steady_clock::now();
    MemoTextExpansion expansion = ExpandMemoText(text, {}, evaluate);
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    EXPECT_EQ(expansion.Text.size(), 40000u * 100u);
    EXPECT_EQ(expansion.Text.substr(0, 100), WideString(95, u'x') + u"value");
    EXPECT_EQ(calls.size(), 40000u);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 3000);
}

TEST_F(MemoTextTest, LongUnbalancedTextIsOneExpression) {
    // Nested openings without closings: one walk to the end, not one per "[".
    WideString text(1 << 20, u'[');
    values[AnsiString((1 << 20) - 1, '[')] = Variant("R");
    MemoTextExpansion expansion = ExpandMemoText(text, {}, Evaluator());
    EXPECT_EQ(Utf8(expansion.Text), "R");
}

TEST_F(MemoTextTest, MemoLinesAndValue) {
    values["a"] = Variant(5);
    TfrxMemoView memo;
    memo.Memo = {u"Count: [a]", u"second", u"[a #n%.2f]"};
    memo.Font().SetCharset(238);
    ExpandMemoExpressions(memo, Evaluator());
    EXPECT_EQ(memo.Memo, (std::vector<WideString>{u"Count: 5", u"second", u"5.00"}));
    EXPECT_EQ(VarToStr(memo.Value), "5");

    // An expression whose value breaks lines gives more lines.
    values["multi"] = Variant("one\r\ntwo");
    memo.Memo = {u"[multi]"};
    ExpandMemoExpressions(memo, Evaluator());
    EXPECT_EQ(memo.Memo, (std::vector<WideString>{u"one", u"two"}));

    // No expression: the value stays what it was.
    memo.Memo = {u"plain"};
    ExpandMemoExpressions(memo, Evaluator());
    EXPECT_EQ(VarToStr(memo.Value), "one\r\ntwo");
}

TEST_F(MemoTextTest, MemoOptionsComeFromTheMemo) {
    TfrxMemoView memo;
    memo.ExpressionDelimiters = "<,>";
    memo.HideZeros = true;
    memo.DisplayFormat.Kind = TfrxFormatKind::fkNumeric;
    memo.DisplayFormat.FormatStr = "%.1f";
    memo.Font().SetCharset(204);
    values["z"] = Variant(0);
    values["p"] = Variant(2);
    memo.Memo = {u"[p] <p> <z>"};
    ExpandMemoExpressions(memo, Evaluator());
    EXPECT_EQ(memo.Memo, std::vector<WideString>{u"[p] 2.0 "});
    EXPECT_EQ(MemoTextOptions::Of(memo).Charset, 204);
}

// ---------------------------------------------------------------- TagStr and URL

TEST_F(MemoTextTest, TagAndUrlExpressions) {
    values["id"] = Variant(42);
    values["'a]b'"] = Variant("x");
    values[A("název")] = Variant(A("čaj"));
    EXPECT_EQ(ExpandTagText("https://host/item?id=[id]&q=['a]b']", Evaluator()),
              "https://host/item?id=42&q=x");
    EXPECT_EQ(ExpandTagText(A("[název]/[id]"), Evaluator()), A("čaj/42"));
    calls.clear();
    EXPECT_EQ(ExpandTagText("no brackets ]", Evaluator()), "no brackets ]");
    EXPECT_TRUE(calls.empty());
    // Null values give nothing; no inline formats here.
    values["n"] = Variant::Null();
    values["id #n%d"] = Variant("raw");
    EXPECT_EQ(ExpandTagText("<[n]>[id #n%d]", Evaluator()), "<>raw");
}

TEST_F(MemoTextTest, ViewTagsAreExpandedOnlyWithBrackets) {
    values["id"] = Variant(7);
    TfrxMemoView view;
    view.TagStr = "tag [id]";
    view.URL = "plain";
    ExpandViewTags(view, Evaluator());
    EXPECT_EQ(view.TagStr, "tag 7");
    EXPECT_EQ(view.URL, "plain");
    EXPECT_EQ(calls.size(), 1u);
}

// ---------------------------------------------------------------- run-time state

TEST(MemoTextSuppressRepeated, PrintsOnlyChangedTexts) {
    RepeatedTextSuppressor suppressor;
    std::vector<WideString> printed;
    for (const char16_t* text : {u"A", u"A", u"A", u"B", u"B", u"A"})
        printed.push_back(suppressor.Apply(text));
    EXPECT_EQ(printed, (std::vector<WideString>{u"A", u"", u"", u"B", u"", u"A"}));
}

TEST(MemoTextSuppressRepeated, ResetsToNullAndToEmpty) {
    RepeatedTextSuppressor suppressor;
    EXPECT_FALSE(suppressor.LastPrinted());
    // The first text shows even when it is empty.
    EXPECT_EQ(suppressor.Apply(u""), u"");
    EXPECT_EQ(suppressor.LastPrinted(), WideString());
    EXPECT_EQ(suppressor.Apply(u"A"), u"A");
    EXPECT_EQ(suppressor.Apply(u"A"), u"");
    suppressor.Reset();
    EXPECT_EQ(suppressor.Apply(u"A"), u"A");
    suppressor.ResetToEmpty();
    EXPECT_EQ(suppressor.Apply(u"A"), u"A");
    EXPECT_EQ(suppressor.LastPrinted(), WideString(u"A"));
}

TEST(MemoTextDrawingPlaceholders, FirstOccurrenceOfEachLetterCaseIgnored) {
    struct Case {
        const char16_t* text;
        const char16_t* copyName;
        const char16_t* expected;
    };
    for (const Case& c : {
             Case{u"Page 1 of [TotalPages#]", u"", u"Page 1 of 12"},
             Case{u"[totalpages#]/[TOTALPAGES#]", u"", u"12/[TOTALPAGES#]"},
             Case{u"[CopyName#] [copyname#]", u"Kopie 1", u"Kopie 1 [copyname#]"},
             Case{u"<[CopyName#]>", u"", u"<>"},
             Case{u"[TotalPages#][CopyName#]", u"C", u"12C"},
             Case{u"[TotalPages] [TotalPages#", u"", u"[TotalPages] [TotalPages#"},
             Case{u"", u"x", u""},
         })
        EXPECT_EQ(ResolveDrawingPlaceholders(c.text, 12, c.copyName), WideString(c.expected))
            << Utf8(c.text);
}

TEST(MemoTextDrawingPlaceholders, NonAsciiLettersDoNotMatch) {
    // Only ASCII letters fold: the long s "ſ", whose capital is "S", is no "s".
    EXPECT_EQ(ResolveDrawingPlaceholders(u"[TotalPageſ#] [TotalPages#]", 3, u""),
              u"[TotalPageſ#] 3");
}

} // namespace
} // namespace kanvo
