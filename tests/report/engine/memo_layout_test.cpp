// Memo measuring, splitting and drawing through the installed layout, with
// the real Liberation fonts. Expected heights and widths come from a
// TfrxDrawText configured by hand in the test, so the tests do not depend on
// the exact glyph metrics.
#include "report/engine/memo_layout.h"

#include "platform/exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace kanvo {
namespace {

FontSpec Arial(int size = 10) {
    FontSpec f;
    f.name = "Arial";
    f.size = size;
    return f;
}

class MemoLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { InstallMemoLayout(); }

    // A memo at (left, top) of width × height with lines.
    static void Place(TfrxCustomMemoView& memo, double left, double top, double width,
                      double height, std::vector<WideString> lines) {
        memo.SetBounds(left, top, width, height);
        memo.Memo = std::move(lines);
    }

    // The reference layout: Arial `size`, word wrap, line spacing 2, in `area`.
    TfrxDrawText& Reference(const std::vector<WideString>& lines, IntRect area, int size = 10) {
        ref.AssignFont(Arial(size));
        ref.ConfigureOptions(true, false, 0, true, true, false, false);
        ref.ConfigureSpacing(2, 0, 0);
        ref.ConfigureArea(area, area, 1, 1, 1);
        ref.LayoutText(lines);
        return ref;
    }

    TfrxDrawText ref;
};

// ---------------------------------------------------------------- inner rectangle

TEST_F(MemoLayoutTest, InnerRectangleShrinksByGapsAndHalfFrameWidths) {
    struct Case {
        const char* name;
        int typ;
        double frameWidth;
        bool shadow;
        double scale, offsetX, offsetY;
        IntRect expected;
    };
    // The memo is at (10, 20), 100 × 50, GapX 2, GapY 1.
    const Case cases[] = {
        {"gaps only", 0, 1, false, 1, 0, 0, {12, 21, 109, 70}},
        // width 3: (3 - 1) / 2 = 1 left/top, 3 / 2 = 1.5 -> 4 right, 2.5 -> 3 bottom
        {"frame 3 all sides", 15, 3, false, 1, 0, 0, {13, 22, 107, 68}},
        // width 2 on left and bottom: 2 + 0.5 -> 3 left, 1 + 1 bottom
        {"frame 2 left and bottom", ftLeft | ftBottom, 2, false, 1, 0, 0, {13, 21, 109, 69}},
        // the pixel rectangle loses the shadow width on the right and bottom
        {"drop shadow", 0, 1, true, 1, 0, 0, {12, 21, 105, 66}},
        // pixel rectangle (25, 47)-(225, 147), gaps 4 and 2
        {"scale 2 with offsets", 0, 1, false, 2, 5, 7, {29, 49, 222, 146}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TfrxMemoView memo;
        Place(memo, 10, 20, 100, 50, {});
        memo.Frame.Typ = c.typ;
        memo.Frame.SetWidth(c.frameWidth);
        memo.Frame.DropShadow = c.shadow;
        IntRect r = MemoInnerRect(memo, c.scale, c.scale, c.offsetX, c.offsetY);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
}

// ---------------------------------------------------------------- CalcHeight / CalcWidth

TEST_F(MemoLayoutTest, HeightGrowsWithTheLaidOutLines) {
    TfrxMemoView memo;
    const IntRect inner{2, 1, 199, 50}; // 200 × 50 at the origin
    for (const std::vector<WideString>& lines :
         {std::vector<WideString>{u"One"}, std::vector<WideString>{u"One", u"Two", u"Three"}}) {
        Place(memo, 0, 0, 200, 50, lines);
        TfrxDrawText& r = Reference(lines, inner);
        EXPECT_EQ(memo.CalcHeight(), std::round(r.LaidOutHeight() + 2)) << lines.size();
        // Each line adds one line pitch (font height plus line spacing).
        EXPECT_NEAR(memo.CalcHeight() - 2, std::round(lines.size() * r.LinePitch()), 1);
    }
    // A long line in a narrow memo wraps; the height counts the wrapped lines.
    const std::vector<WideString> longLine = {u"alpha beta gamma delta epsilon zeta eta theta"};
    Place(memo, 0, 0, 60, 50, longLine);
    TfrxDrawText& r = Reference(longLine, {2, 1, 59, 50});
    ASSERT_GE(r.LineCount(), 3u);
    EXPECT_EQ(memo.CalcHeight(), std::round(r.LinePitch() * r.LineCount() + 2));
    // An empty memo is as high as its insets.
    Place(memo, 0, 0, 60, 50, {});
    EXPECT_EQ(memo.CalcHeight(), 2);
}

TEST_F(MemoLayoutTest, InsetsAddExactlyToTheHeight) {
    struct Case {
        const char* name;
        double gapY;
        int typ;
        double frameWidth;
        bool shadow;
        double inset; // expected vertical inset
    };
    const Case cases[] = {
        {"default gaps", 1, 0, 1, false, 2},
        {"no gaps", 0, 0, 1, false, 0},
        {"gap 3, top and bottom frame 3", 3, ftTop | ftBottom, 3, false, 6 + 1 + 1.5},
        {"left and right lines only", 1, ftLeft | ftRight, 5, false, 2},
        {"top line width 1 adds nothing", 1, ftTop, 1, false, 2},
        {"drop shadow", 1, 0, 1, true, 2 + 4},
    };
    const std::vector<WideString> text = {u"Short"};
    const double textHeight = Reference(text, {0, 0, 400, 100}).LaidOutHeight();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TfrxMemoView memo;
        Place(memo, 0, 0, 300, 100, text);
        memo.GapY = c.gapY;
        memo.Frame.Typ = c.typ;
        memo.Frame.SetWidth(c.frameWidth);
        memo.Frame.DropShadow = c.shadow;
        EXPECT_EQ(memo.CalcHeight(), std::round(textHeight + c.inset));
    }
}

TEST_F(MemoLayoutTest, WidthIsTheWidestLinePlusHorizontalInsets) {
    const std::vector<WideString> lines = {u"short", u"a considerably longer line of text"};
    TfrxMemoView memo;
    Place(memo, 0, 0, 50, 20, lines); // the memo's own width does not matter
    memo.Frame.Typ = ftLeft | ftRight;
    memo.Frame.SetWidth(3);
    const double widest = Reference(lines, {0, 0, 10000, 10000}).LaidOutWidth();
    // 2 × GapX + (3 − 1) / 2 + 3 / 2
    EXPECT_EQ(memo.CalcWidth(), std::round(widest + 4 + 1 + 1.5));
}

TEST_F(MemoLayoutTest, AutoWidthMeasuresTheHeightUnwrapped) {
    const std::vector<WideString> text = {u"alpha beta gamma delta epsilon"};
    TfrxMemoView memo;
    Place(memo, 0, 0, 40, 20, text);
    const double pitch = Reference(text, {0, 0, 10000, 10000}).LinePitch();
    EXPECT_GT(memo.CalcHeight(), std::round(pitch + 2)); // wraps in 40 pixels
    memo.AutoWidth = true;
    EXPECT_EQ(memo.CalcHeight(), std::round(pitch + 2)); // one line
}

TEST_F(MemoLayoutTest, ActiveHighlightMeasuresWithItsFont) {
    const std::vector<WideString> text = {u"Highlighted text"};
    TfrxMemoView memo;
    Place(memo, 0, 0, 400, 20, text);
    memo.Highlight.Font.SetSize(20);
    const IntRect inner{2, 1, 399, 20};
    const double small = Reference(text, inner, 10).LaidOutHeight();
    const double smallWidth = ref.LaidOutWidth();
    const double large = Reference(text, inner, 20).LaidOutHeight();
    const double largeWidth = ref.LaidOutWidth();
    ASSERT_GT(large, small + 5);

    EXPECT_EQ(memo.CalcHeight(), std::round(small + 2));
    EXPECT_EQ(memo.CalcWidth(), std::round(smallWidth + 4));
    memo.Highlight.Active = true;
    EXPECT_EQ(memo.CalcHeight(), std::round(large + 2));
    EXPECT_EQ(memo.CalcWidth(), std::round(largeWidth + 4));
}

// ---------------------------------------------------------------- AutoWidth

TEST_F(MemoLayoutTest, AutoWidthKeepsTheEdgeOfTheAlignment) {
    struct Case {
        TfrxHAlign align;
        double expectedLeft; // as a function of the new width below
        const char* name;
    };
    TfrxMemoView probe;
    Place(probe, 0, 0, 200, 20, {u"Some text"});
    const double width = probe.CalcWidth();
    ASSERT_LT(width, 200);
    const Case cases[] = {
        {TfrxHAlign::haLeft, 100, "left keeps the left edge"},
        {TfrxHAlign::haBlock, 100, "block keeps the left edge"},
        {TfrxHAlign::haRight, 100 + 200 - width, "right keeps the right edge"},
        {TfrxHAlign::haCenter, 100 + (200 - width) / 2, "centre keeps the centre"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TfrxMemoView memo;
        Place(memo, 100, 0, 200, 20, {u"Some text"});
        memo.HAlign = c.align;
        ApplyAutoWidth(memo); // without AutoWidth nothing changes
        EXPECT_EQ(memo.Width(), 200);
        memo.AutoWidth = true;
        ApplyAutoWidth(memo);
        EXPECT_EQ(memo.Width(), width);
        EXPECT_DOUBLE_EQ(memo.Left(), c.expectedLeft);
    }
}

TEST_F(MemoLayoutTest, AutoWidthRealignsTheParentsChildren) {
    TfrxComponent band;
    band.SetBounds(0, 0, 600, 40);
    auto* memo = TfrxComponent::Create<TfrxMemoView>(&band);
    Place(*memo, 0, 0, 300, 20, {u"x"});
    memo->AutoWidth = true;
    auto* next = TfrxComponent::Create<TfrxMemoView>(&band);
    Place(*next, 300, 0, 50, 20, {u"next"});
    next->Align = TfrxAlign::baLeft;
    ApplyAutoWidth(*memo);
    ASSERT_LT(memo->Width(), 50);
    // The left-aligned neighbour follows the shrunk memo.
    EXPECT_EQ(next->Left(), memo->Width());
}

// ---------------------------------------------------------------- FitPart

TEST_F(MemoLayoutTest, FitPartSplitsIntoPartsThatGiveBackAllLines) {
    std::vector<WideString> lines;
    for (int i = 1; i <= 10; ++i)
        lines.push_back(u"Line " + WideString(1, static_cast<char16_t>(u'0' + i % 10)));
    TfrxMemoView memo;
    const double pitch = Reference(lines, {0, 0, 200, 1000}).LinePitch();
    // No frame: the inner rectangle is exactly as high as the memo (one
    // pixel less at the top for GapY, one more at the bottom).
    const double height = std::floor(4 * pitch) + 2;
    Place(memo, 0, 0, 200, height, lines);
    const double unused = Reference(lines, MemoInnerRect(memo)).LeftoverSpace();
    ASSERT_GT(unused, 0);
    ASSERT_LT(unused, pitch);

    memo.ResetParts();
    std::vector<WideString> collected;
    std::vector<size_t> partSizes;
    for (int part = 0; part < 20 && !memo.RemainingText.empty(); ++part) {
        EXPECT_DOUBLE_EQ(memo.FitPart(), unused);
        EXPECT_FALSE(memo.LastParaBreak); // every cut falls between lines
        partSizes.push_back(memo.Memo.size());
        collected.insert(collected.end(), memo.Memo.begin(), memo.Memo.end());
    }
    EXPECT_EQ(partSizes, (std::vector<size_t>{4, 4, 2}));
    EXPECT_EQ(collected, lines);
}

std::vector<std::string> Words(const std::vector<WideString>& lines) {
    std::vector<std::string> words;
    for (const WideString& line : lines) {
        std::string ascii(line.begin(), line.end());
        std::istringstream in(ascii);
        for (std::string w; in >> w;)
            words.push_back(w);
    }
    return words;
}

TEST_F(MemoLayoutTest, SplitInsideAParagraphSetsLastParaBreak) {
    WideString paragraph;
    for (int i = 0; i < 40; ++i)
        paragraph += u"word" + WideString(1, static_cast<char16_t>(u'a' + i % 26)) + u" ";
    paragraph += u"end";
    const std::vector<WideString> text = {paragraph, u"Second paragraph"};
    TfrxMemoView memo;
    Place(memo, 0, 0, 120, 50, text);
    const size_t perPart =
        static_cast<size_t>(std::trunc((MemoInnerRect(memo).bottom - MemoInnerRect(memo).top + 1) /
                                       Reference(text, MemoInnerRect(memo)).LinePitch()));
    ASSERT_GT(ref.LineCount(), perPart + 1);
    ASSERT_GE(perPart, 2u);

    memo.ResetParts();
    std::vector<WideString> collected;
    ASSERT_LT(memo.FitPart(), memo.Height());
    EXPECT_TRUE(memo.LastParaBreak);
    // The rest continues the paragraph without the blank at the cut.
    ASSERT_FALSE(memo.RemainingText.empty());
    EXPECT_NE(memo.RemainingText[0], u' ');
    collected.insert(collected.end(), memo.Memo.begin(), memo.Memo.end());
    bool lastBreak = true;
    for (int part = 0; part < 20 && !memo.RemainingText.empty(); ++part) {
        memo.FitPart();
        lastBreak = memo.LastParaBreak;
        collected.insert(collected.end(), memo.Memo.begin(), memo.Memo.end());
    }
    EXPECT_FALSE(lastBreak); // the last part ends with the text
    EXPECT_EQ(Words(collected), Words(text));
}

TEST_F(MemoLayoutTest, NothingFitsReturnsTheHeightAndKeepsTheText) {
    TfrxMemoView memo;
    // Too low for one line; the leading blank must survive for the next part.
    const std::vector<WideString> text = {u" indented first", u"second"};
    Place(memo, 0, 0, 200, 8, text);
    memo.ResetParts();
    const WideString before = memo.RemainingText;
    EXPECT_EQ(memo.FitPart(), 8);
    EXPECT_TRUE(memo.Memo.empty());
    EXPECT_EQ(memo.RemainingText, before);

    // Given room, the same memo places all of it.
    memo.SetHeight(200);
    EXPECT_LT(memo.FitPart(), 200);
    EXPECT_EQ(memo.Memo, text);
    EXPECT_TRUE(memo.RemainingText.empty());
}

// ---------------------------------------------------------------- drawing

bool Dark(uint32_t color) {
    Rgb rgb = ColorToRgb(color);
    return rgb.r + rgb.g + rgb.b < 3 * 128;
}

// Dark pixels in the columns [x0, x1) and rows [y0, y1).
int DarkPixels(const Bitmap& bitmap, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += Dark(bitmap.Pixel(x, y));
    return n;
}

TEST_F(MemoLayoutTest, DrawMemoLeavesTextWhereTheAlignmentPutsIt) {
    struct Case {
        TfrxHAlign align;
        bool textLeft, textRight; // dark pixels in the left / right third
    };
    for (const Case& c :
         {Case{TfrxHAlign::haLeft, true, false}, Case{TfrxHAlign::haRight, false, true}}) {
        SCOPED_TRACE(static_cast<int>(c.align));
        auto bitmap = Bitmap::Create(150, 30);
        CairoCanvas canvas(*bitmap);
        TfrxMemoView memo;
        Place(memo, 0, 0, 150, 30, {u"Hello"});
        memo.HAlign = c.align;
        DrawMemo(memo, canvas);
        canvas.Finish();
        EXPECT_EQ(DarkPixels(*bitmap, 0, 0, 50, 30) > 0, c.textLeft);
        EXPECT_EQ(DarkPixels(*bitmap, 100, 0, 150, 30) > 0, c.textRight);
        EXPECT_EQ(DarkPixels(*bitmap, 50, 0, 100, 30), 0); // "Hello" is narrower than a third
        EXPECT_FALSE(MemoDrawText(memo).Busy());
    }
}

// Leftmost column with a dark pixel, or -1.
int LeftmostDark(const Bitmap& bitmap) {
    for (int x = 0; x < bitmap.Width(); ++x)
        if (DarkPixels(bitmap, x, 0, x + 1, bitmap.Height()) > 0)
            return x;
    return -1;
}

TEST_F(MemoLayoutTest, DrawMemoIndentsOnlyAParagraphThatStartsInThisPart) {
    std::vector<int> starts;
    for (bool continues : {false, true}) {
        auto bitmap = Bitmap::Create(200, 20);
        CairoCanvas canvas(*bitmap);
        TfrxMemoView memo;
        Place(memo, 0, 0, 200, 20, {u"Text"});
        memo.ParagraphGap = 40;
        memo.FirstParaBreak = continues;
        DrawMemo(memo, canvas);
        canvas.Finish();
        starts.push_back(LeftmostDark(*bitmap));
    }
    EXPECT_GE(starts[0], 42); // GapX + paragraph gap
    EXPECT_GE(starts[1], 0);  // a continued paragraph starts at the gap
    EXPECT_LT(starts[1], 10);
}

TEST_F(MemoLayoutTest, DrawMemoScalesAndOffsetsTheText) {
    auto bitmap = Bitmap::Create(200, 100);
    CairoCanvas canvas(*bitmap);
    TfrxMemoView memo;
    Place(memo, 0, 0, 80, 20, {u"Hello"});
    DrawMemo(memo, canvas, 2, 2, 20, 50);
    canvas.Finish();
    EXPECT_EQ(DarkPixels(*bitmap, 0, 0, 200, 50), 0);   // nothing above the offset
    EXPECT_EQ(DarkPixels(*bitmap, 0, 0, 20, 100), 0);   // nor left of it
    EXPECT_GT(DarkPixels(*bitmap, 20, 50, 200, 90), 0); // the text
    // Twice the size: the text reaches further right than it does at scale 1.
    int rightmost = 0;
    for (int x = 0; x < 200; ++x)
        if (DarkPixels(*bitmap, x, 50, x + 1, 90) > 0)
            rightmost = x;
    TfrxDrawText& r = Reference({u"Hello"}, {0, 0, 80, 20});
    EXPECT_GT(rightmost, 20 + 1.5 * r.LaidOutWidth());
}

TEST_F(MemoLayoutTest, DrawMemoFillFrameUnderlinesAndHighlight) {
    constexpr uint32_t kYellow = 0x00FFFF, kBlue = 0xFF0000, kRed = 0x0000FF, kGreen = 0x00FF00;
    {
        SCOPED_TRACE("fill and frame");
        auto bitmap = Bitmap::Create(131, 41);
        CairoCanvas canvas(*bitmap);
        TfrxMemoView memo;
        Place(memo, 0, 0, 130, 40, {u"x"});
        memo.Color = static_cast<int32_t>(kYellow);
        memo.Frame.Typ = ftLeft | ftRight | ftTop | ftBottom;
        memo.Frame.SetColor(kBlue);
        DrawMemo(memo, canvas);
        canvas.Finish();
        EXPECT_EQ(bitmap->Pixel(0, 20), kBlue);
        EXPECT_EQ(bitmap->Pixel(130, 20), kBlue);
        EXPECT_EQ(bitmap->Pixel(60, 0), kBlue);
        EXPECT_EQ(bitmap->Pixel(60, 40), kBlue);
        EXPECT_EQ(bitmap->Pixel(60, 30), kYellow);
        EXPECT_GT(DarkPixels(*bitmap, 1, 1, 30, 39), 0); // the text lies over the fill
    }
    {
        SCOPED_TRACE("a hatch brush lays the frame colour over the fill");
        auto bitmap = Bitmap::Create(60, 30);
        CairoCanvas canvas(*bitmap);
        TfrxMemoView memo;
        Place(memo, 0, 0, 60, 30, {});
        memo.Color = static_cast<int32_t>(kYellow);
        memo.BrushStyle = TBrushStyle::bsCross;
        memo.Frame.SetColor(kBlue);
        DrawMemo(memo, canvas);
        canvas.Finish();
        int blue = 0, yellow = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x) {
                blue += bitmap->Pixel(x, y) == kBlue;
                yellow += bitmap->Pixel(x, y) == kYellow;
            }
        EXPECT_GT(blue, 0);
        EXPECT_GT(yellow, blue);
    }
    {
        SCOPED_TRACE("underlines rule the box at the line pitch");
        auto bitmap = Bitmap::Create(130, 50);
        CairoCanvas canvas(*bitmap);
        TfrxMemoView memo;
        Place(memo, 0, 0, 130, 50, {u"x"});
        memo.Underlines = true;
        memo.Frame.SetColor(kGreen);
        DrawMemo(memo, canvas);
        canvas.Finish();
        const double pitch = Reference({u"x"}, {0, 0, 100, 100}).LinePitch();
        std::vector<int> expected;
        for (double y = pitch + 1 - 2 + 1; std::lround(y) < 50; y += pitch)
            expected.push_back(static_cast<int>(std::lround(y)));
        ASSERT_GE(expected.size(), 2u);
        std::vector<int> rows;
        for (int y = 0; y < 50; ++y)
            if (bitmap->Pixel(0, y) == kGreen && bitmap->Pixel(129, y) == kGreen)
                rows.push_back(y);
        EXPECT_EQ(rows, expected);
    }
    {
        SCOPED_TRACE("an active highlight paints its colour and keeps the memo's");
        auto bitmap = Bitmap::Create(100, 30);
        CairoCanvas canvas(*bitmap);
        TfrxMemoView memo;
        Place(memo, 0, 0, 100, 30, {u"x"});
        memo.Color = static_cast<int32_t>(kYellow);
        memo.Highlight.Color = static_cast<int32_t>(kRed);
        memo.Highlight.Active = true;
        DrawMemo(memo, canvas);
        canvas.Finish();
        EXPECT_EQ(bitmap->Pixel(90, 25), kRed);
        EXPECT_EQ(memo.Color, static_cast<int32_t>(kYellow));
    }
}

TEST_F(MemoLayoutTest, DrawMemoResolvesPlaceholdersAndAppliesAutoWidth) {
    auto bitmap = Bitmap::Create(300, 30);
    CairoCanvas canvas(*bitmap);
    TfrxMemoView memo;
    Place(memo, 0, 0, 300, 30, {u"Page of [TOTALPAGES#]"});
    memo.TotalPages = 12;
    memo.AutoWidth = true;
    DrawMemo(memo, canvas);
    canvas.Finish();
    EXPECT_EQ(memo.Memo, (std::vector<WideString>{u"Page of 12"}));
    EXPECT_EQ(memo.Width(), memo.CalcWidth());
    EXPECT_LT(memo.Width(), 300);
}

TEST_F(MemoLayoutTest, TextLinesAreTheLinesAsDrawn) {
    const std::vector<WideString> text = {u"<b>alpha</b> beta gamma delta", u"two"};
    TfrxMemoView memo;
    Place(memo, 0, 0, 70, 100, text);
    memo.AllowHTMLTags = true;
    const IntRect inner = MemoInnerRect(memo);
    ref.AssignFont(Arial());
    ref.ConfigureOptions(true, true, 0, true, true, false, false);
    ref.ConfigureSpacing(2, 0, 0);
    ref.ConfigureArea(inner, inner, 1, 1, 1);
    ref.LayoutText(text);
    ASSERT_GE(ref.LineCount(), 3u);
    EXPECT_EQ(MemoTextLines(memo, true), ref.WrappedLines());
    EXPECT_EQ(MemoTextLines(memo, false), u"alpha beta gamma delta\r\ntwo\r\n");
}

TEST_F(MemoLayoutTest, DegenerateMemosDoNotBreakTheLayout) {
    struct Case {
        const char* name;
        double width, height, gapX, frameWidth;
        double scale;
    };
    const Case cases[] = {
        {"zero size", 0, 0, 2, 1, 1},
        {"negative size", -40, -10, 2, 1, 1},
        {"gaps wider than the memo", 6, 4, 10, 1, 1},
        {"huge frame", 50, 20, 2, 1000, 1},
        {"zero scale", 50, 20, 2, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TfrxMemoView memo;
        Place(memo, 0, 0, c.width, c.height, {u"some words here", u"x"});
        memo.GapX = c.gapX;
        memo.Frame.Typ = 15;
        memo.Frame.SetWidth(c.frameWidth);
        EXPECT_GE(memo.CalcHeight(), 0);
        EXPECT_GE(memo.CalcWidth(), 0);
        memo.ResetParts();
        memo.FitPart();
        auto bitmap = Bitmap::Create(60, 30);
        CairoCanvas canvas(*bitmap);
        memo.Memo = {u"some words here"};
        DrawMemo(memo, canvas, c.scale, c.scale);
        canvas.Finish();
        EXPECT_FALSE(MemoDrawText(memo).Busy());
    }
}

TEST_F(MemoLayoutTest, LayoutInUseElsewhereOnThisThreadThrowsAndStaysUsable) {
    TfrxMemoView memo;
    Place(memo, 0, 0, 100, 20, {u"x"});
    {
        DrawTextLock held(MemoDrawText(memo));
        EXPECT_THROW(memo.CalcHeight(), Exception);
    }
    EXPECT_GT(memo.CalcHeight(), 2);
}

} // namespace
} // namespace kanvo
