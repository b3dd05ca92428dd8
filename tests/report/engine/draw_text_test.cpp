// The text layout with the real Liberation fonts.
#include "report/engine/draw_text.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <numeric>
#include <thread>

namespace kanvo {
namespace {

// Records the text calls instead of drawing.
class RecordingCanvas : public Canvas {
public:
    struct Call {
        double x, y;
        WideString text;
        std::vector<int> advances;
        int pixelHeight;
        int style;
        int escapement;
        double End() const { return x + std::accumulate(advances.begin(), advances.end(), 0); }
    };
    std::vector<Call> calls;

protected:
    void DoSave() override {}
    void DoRestore() override {}
    void DoPushClip(const RectF&) override {}
    void DoPopClip() override {}
    void DoFillRect(const RectF&, uint32_t) override {}
    void DoPath(const std::vector<PointF>&, bool, bool) override {}
    void DoEllipse(const RectF&) override {}
    void DoRoundRect(const RectF&, double, double) override {}
    void DoStretchImage(const Bitmap&, const RectF&, bool) override {}
    void DoText(double x, double y, std::u16string_view text, const std::vector<int>& advances,
                const TextOutOptions&) override {
        calls.push_back(
            {x, y, WideString(text), advances, FontPixelHeight(), Font().style, FontEscapement()});
    }
};

FontSpec Arial(int size = 10, int style = 0) {
    FontSpec f;
    f.name = "Arial";
    f.size = size;
    f.style = style;
    return f;
}

class DrawTextTest : public ::testing::Test {
protected:
    // Lays out `lines` in a box of `width` x `height` report pixels.
    void Layout(std::vector<WideString> lines, int width, int height = 1000, bool html = false,
                bool wordBreak = false, FontSpec font = Arial()) {
        dt.AssignFont(font);
        dt.ConfigureOptions(true, html, 0, true, false, wordBreak, false);
        dt.ConfigureSpacing(lineSpacing, 0, 0);
        dt.ConfigureArea({0, 0, width, height}, {0, 0, width, height}, 1, 1, 1);
        dt.LayoutText(lines);
    }
    std::vector<WideString> Lines() const {
        std::vector<WideString> out;
        for (size_t i = 0; i < dt.LineCount(); ++i)
            out.push_back(dt.Line(i));
        return out;
    }
    // Width of a text in report pixels as the layout measures it.
    double Width(std::u16string_view text, FontSpec font = Arial()) {
        dt.AssignFont(font);
        return dt.MeasuringTextWidth(text) / TfrxDrawText::kScale;
    }
    TfrxDrawText dt;
    double lineSpacing = 0;
};

TEST_F(DrawTextTest, TwoWordsWrapWithoutCarryingTheBlank) {
    int width = static_cast<int>(Width(u"Hello world")) - 5;
    Layout({u"Hello world"}, width);
    ASSERT_EQ(Lines(), (std::vector<WideString>{u"Hello", u"world"}));
    EXPECT_EQ(dt.LineFlags(0), 1);
    EXPECT_EQ(dt.LineFlags(1), 2);
    EXPECT_EQ(dt.WrappedLines(), u"Hello\r\nworld");

    Layout({u"Hello world", u""}, 1000);
    EXPECT_EQ(Lines(), (std::vector<WideString>{u"Hello world", u" "}));
    EXPECT_EQ(dt.LineFlags(0), 3);
    EXPECT_EQ(dt.LineFlags(1), 3);
}

TEST_F(DrawTextTest, SingleTooWideCharacterStandsAlone) {
    Layout({u"WWW"}, 2);
    EXPECT_EQ(Lines(), (std::vector<WideString>{u"W", u"W", u"W"}));
    Layout({u"W"}, 2);
    EXPECT_EQ(Lines(), (std::vector<WideString>{u"W"}));
}

TEST_F(DrawTextTest, LongWordIsCutBeforeTheOverflowingCharacter) {
    int width = static_cast<int>(Width(u"abcdef")) + 1;
    Layout({u"abcdefghijkl"}, width);
    ASSERT_GE(dt.LineCount(), 2u);
    EXPECT_EQ(dt.Line(0), u"abcdef");
    EXPECT_EQ(dt.Line(1), u"ghijkl");
}

TEST_F(DrawTextTest, CyrillicWordBreakWithWindows1251) {
    int saved = ProcessCodePage();
    SetProcessCodePage(1251);
    const WideString word = u"программирование";
    const WideString text = u"Это " + word;
    int width = static_cast<int>(Width(u"Это программи"));
    Layout({text}, width, 1000, false, true);
    ASSERT_GE(dt.LineCount(), 2u);
    const WideString first = dt.Line(0);
    ASSERT_EQ(first.back(), u'-');
    ASSERT_EQ(first.substr(0, 4), u"Это ");
    WideString piece = first.substr(4, first.size() - 5);
    EXPECT_GE(piece.size(), 2u);
    EXPECT_LT(piece.size(), WideString(u"программи").size());
    WideString rest;
    for (size_t i = 1; i < dt.LineCount(); ++i)
        rest += dt.Line(i);
    EXPECT_EQ(piece + rest, word);
    // The largest allowed position below the fitting characters: "программи|рова..."
    // fits 9 characters; "програм-ми" (after the consonant m, followed by m) is it.
    EXPECT_EQ(piece, u"програм");

    // Cutting keeps the hyphen in the fitting text.
    dt.ConfigureArea({0, 0, width, static_cast<int>(dt.LinePitch())}, {0, 0, width, 20}, 1, 1, 1);
    TfrxDrawText::Overflow overflow = dt.OverflowText();
    EXPECT_EQ(overflow.text, u"мирование\r\n");
    EXPECT_TRUE(overflow.insideParagraph);
    EXPECT_EQ(dt.FittingText(), u"Это програм-");

    Layout({text}, width, 1000, false, false);
    ASSERT_GE(dt.LineCount(), 2u);
    EXPECT_EQ(dt.Line(0), u"Это");
    EXPECT_EQ(dt.Line(1).back() == u'-', false);
    EXPECT_EQ(dt.Line(1), word.substr(0, dt.Line(1).size()));
    SetProcessCodePage(saved);
}

TEST_F(DrawTextTest, CuttingAfterARealHyphenDoesNotDoubleIt) {
    int width = static_cast<int>(Width(u"abcdefgh-")) + 1;
    Layout({u"abcdefgh-ijkl"}, width, 1000, false, true);
    ASSERT_EQ(Lines(), (std::vector<WideString>{u"abcdefgh-", u"ijkl"}));
    dt.ConfigureArea({0, 0, width, 13}, {0, 0, width, 13}, 1, 1, 1);
    EXPECT_EQ(dt.OverflowText().text, u"ijkl\r\n");
    EXPECT_EQ(dt.FittingText(), u"abcdefgh-");
}

TEST_F(DrawTextTest, SubscriptSizeAndOffset) {
    Layout({u"a<sub>2</sub>"}, 500, 1000, true);
    ASSERT_EQ(Lines(), (std::vector<WideString>{u"a2"}));
    const TfrxHTMLTags& tags = dt.LineTags(0);
    EXPECT_TRUE(tags[0].Default);
    EXPECT_EQ(tags[1].Size, 7); // round(10 / 1.5)
    EXPECT_EQ(tags[1].AddY, 1);
    EXPECT_TRUE(tags[1].Small);
    EXPECT_FALSE(tags[1].Default);
    EXPECT_EQ(tags[0].Position, 1);
    EXPECT_EQ(tags[1].Position, 7);

    RecordingCanvas canvas;
    dt.DrawLaidOut(canvas, TextHAlign::Left, TextVAlign::Top);
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].pixelHeight, 13);
    EXPECT_EQ(canvas.calls[1].pixelHeight, 9); // 7 pt at 96 dpi
    EXPECT_DOUBLE_EQ(canvas.calls[1].y - canvas.calls[0].y, 7.0);
    EXPECT_DOUBLE_EQ(canvas.calls[1].x, canvas.calls[0].End());

    Layout({u"x<sup>2</sup>"}, 500, 1000, true);
    EXPECT_EQ(dt.LineTags(0)[1].AddY, 0);
    EXPECT_EQ(dt.LineTags(0)[1].Size, 7);
}

TEST_F(DrawTextTest, FontColourTagValues) {
    struct Case {
        WideString text;
        WideString line;
        uint32_t color;
    };
    const Case cases[] = {
        {u"<font color=\"#FF0000\">x</font>", u"x", 0x0000FF},
        {u"<FONT COLOR = navy>x", u"x", 0x800000},
        {u"<font color=\"#00ff80\">x", u"x", 0x80FF00},
        {u"<font color=xyz>x", u"<font color=xyz>x", 0},
        {u"<font color=\"navy\">x", u"<font color=\"navy\">x", 0},
        {u"<font color=#FF0000>x", u"<font color=#FF0000>x", 0},
        {u"<b>x</b>y<q>", u"xy<q>", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.text));
        Layout({c.text}, 1000, 1000, true);
        ASSERT_EQ(Lines(), (std::vector<WideString>{c.line}));
        if (c.line.size() == 1) {
            EXPECT_EQ(dt.LineTags(0)[0].Color, c.color);
        }
    }
    // With tags off the text stays as it is.
    dt.ConfigureOptions(true, false, 0, true, false, false, false);
    dt.LayoutText({u"<b>x</b>"});
    EXPECT_EQ(dt.Line(0), u"<b>x</b>");
    EXPECT_EQ(
        TfrxDrawText::PlainText(u"<b>bold</b> and <font color=red>red</font>\r\n<i></i>\r\nx"),
        u"bold and red\r\n\r\nx");
}

TEST_F(DrawTextTest, CuttingABoldParagraphCarriesItsAttributes) {
    int width = static_cast<int>(Width(u"one two", Arial(10, kFontBold))) + 2;
    Layout({u"<b>one two three four</b> end"}, width, 1000, true);
    ASSERT_GE(dt.LineCount(), 3u);
    int pitch = static_cast<int>(dt.LinePitch());
    dt.ConfigureArea({0, 0, width, pitch}, {0, 0, width, pitch}, 1, 1, 1);
    TfrxDrawText::Overflow overflow = dt.OverflowText();
    EXPECT_TRUE(overflow.insideParagraph);
    EXPECT_EQ(overflow.text, u"<font color=\"#000000\"><b>three four</b> end\r\n");
    EXPECT_EQ(dt.LineCount(), 1u);
    EXPECT_EQ(dt.FittingText(), u"<b>one two ");

    // Everything fits: nothing overflows.
    Layout({u"a", u"b"}, 100, 1000);
    EXPECT_EQ(dt.OverflowText().text, u"");
    // A cut at a paragraph end is not inside one; the next part starts with its line.
    lineSpacing = 0;
    Layout({u"a", u"b"}, 100, 16, false, false, Arial(12));
    TfrxDrawText::Overflow atEnd = dt.OverflowText();
    EXPECT_FALSE(atEnd.insideParagraph);
    EXPECT_EQ(atEnd.text, u"b\r\n");
}

TEST_F(DrawTextTest, Metrics) {
    // 12 pt: 100 units at 600 dpi, 16 report pixels.
    Layout({u"a", u"b", u"c"}, 100, 47, false, false, Arial(12));
    EXPECT_DOUBLE_EQ(dt.FontPixelHeight(), 16);
    EXPECT_DOUBLE_EQ(dt.LinePitch(), 16);
    EXPECT_DOUBLE_EQ(dt.LaidOutHeight(), 48);
    EXPECT_DOUBLE_EQ(dt.LeftoverSpace(), 0.0001); // exactly three pitches
    dt.ConfigureArea({0, 0, 100, 10}, {0, 0, 100, 10}, 1, 1, 1);
    EXPECT_DOUBLE_EQ(dt.LeftoverSpace(), 0); // lower than one pitch
    dt.ConfigureArea({0, 0, 100, 50}, {0, 0, 100, 50}, 1, 1, 1);
    EXPECT_DOUBLE_EQ(dt.LeftoverSpace(), 3);

    lineSpacing = -2;
    Layout({u"a", u"b"}, 100, 100, false, false, Arial(12));
    EXPECT_DOUBLE_EQ(dt.LaidOutHeight(), 14 * 2 + 2);
    lineSpacing = 0;
    Layout({u"Hello", u"Hello world"}, 1000);
    EXPECT_NEAR(dt.LaidOutWidth(), Width(u"Hello world"), 1e-9);
    Layout({}, 100);
    EXPECT_EQ(dt.LaidOutHeight(), 0);

    Layout({u"Hello world again"}, 40);
    ASSERT_GE(dt.LineCount(), 2u);
    dt.MarkPartBreaks(true, true);
    EXPECT_EQ(dt.LineFlags(0) & 1, 0);
    EXPECT_EQ(dt.LineFlags(dt.LineCount() - 1) & 2, 0);
}

TEST_F(DrawTextTest, RightAlignmentEndsAtTheEdgeAndBoldOnePixelInside) {
    for (int style : std::initializer_list<int>{0, kFontBold, kFontItalic}) {
        SCOPED_TRACE(style);
        Layout({u"Total 1234"}, 200, 100, false, false, Arial(10, style));
        RecordingCanvas canvas;
        dt.DrawLaidOut(canvas, TextHAlign::Right, TextVAlign::Top);
        ASSERT_EQ(canvas.calls.size(), 1u);
        EXPECT_DOUBLE_EQ(canvas.calls[0].End(), style == 0 ? 200 : 199);
    }
}

TEST_F(DrawTextTest, JustifiedLinesAndTheLastLineRule) {
    Layout({u"aaa bbb ccc ddd eee fff ggg", u"nospaceshere"}, 80);
    ASSERT_GE(dt.LineCount(), 3u);
    RecordingCanvas canvas;
    dt.DrawLaidOut(canvas, TextHAlign::Block, TextVAlign::Top);
    ASSERT_EQ(canvas.calls.size(), dt.LineCount());
    for (size_t i = 0; i < dt.LineCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(canvas.calls[i].x, 0);
        bool last = (dt.LineFlags(i) & 2) != 0;
        bool blanks = dt.Line(i).find(u' ') != WideString::npos;
        if (!last && blanks) {
            EXPECT_DOUBLE_EQ(canvas.calls[i].End(), 80);
        } else {
            EXPECT_LE(canvas.calls[i].End(), 80);
        }
        if (last && blanks) {
            EXPECT_LT(canvas.calls[i].End(), 80);
        }
    }
    // Lines are placed one pitch apart, the block keeping the layout height.
    EXPECT_NEAR(canvas.calls.back().y - canvas.calls.front().y,
                dt.LinePitch() * (dt.LineCount() - 1), 1.0);

    // A justified line without blanks stays left-aligned at its measured width.
    Layout({u"abcdefghijklmnopqrstuvwxyz"}, 80);
    ASSERT_GE(dt.LineCount(), 2u);
    RecordingCanvas noBlanks;
    dt.DrawLaidOut(noBlanks, TextHAlign::Block, TextVAlign::Top);
    EXPECT_DOUBLE_EQ(noBlanks.calls[0].x, 0);
    EXPECT_LT(noBlanks.calls[0].End(), 80);
}

TEST_F(DrawTextTest, VeryLongLinesDoNotOverflow) {
    WideString line(40000, u'x');
    for (size_t i = 7; i < line.size(); i += 8)
        line[i] = u' ';
    Layout({line}, 300);
    EXPECT_GT(dt.LineCount(), 100u);
    dt.ConfigureOptions(false, false, 0, true, false, false, false);
    dt.LayoutText({line});
    ASSERT_EQ(dt.LineCount(), 1u);
    EXPECT_GT(dt.LaidOutWidth(), 40000 * 3);
    RecordingCanvas canvas;
    dt.DrawLaidOut(canvas, TextHAlign::Center, TextVAlign::Center);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].advances.size(), 40000u);
}

TEST_F(DrawTextTest, RotationPlacesTheBlock) {
    Layout({u"Up"}, 100, 200);
    dt.ConfigureOptions(false, false, 90, true, false, false, false);
    dt.ConfigureArea({0, 0, 100, 200}, {10, 20, 110, 220}, 1, 1, 1);
    dt.LayoutText({u"Up"});
    RecordingCanvas canvas;
    dt.DrawLaidOut(canvas, TextHAlign::Left, TextVAlign::Top);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_DOUBLE_EQ(canvas.calls[0].x, 10);
    EXPECT_DOUBLE_EQ(canvas.calls[0].y, 220);
    EXPECT_EQ(canvas.calls[0].escapement, 900);
}

TEST_F(DrawTextTest, TextIsShownInTheCodePageOfTheFontCharset) {
    FontSpec font = Arial();
    font.charset = kEastEuropeCharset;
    Layout({u"čЖ"}, 200, 100, false, false, font);
    RecordingCanvas canvas;
    dt.DrawLaidOut(canvas, TextHAlign::Left, TextVAlign::Top);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].text, u"č?");

    Layout({u"čЖ"}, 200, 100, false, false, Arial()); // the default set: wide output
    RecordingCanvas wide;
    dt.DrawLaidOut(wide, TextHAlign::Left, TextVAlign::Top);
    EXPECT_EQ(wide.calls[0].text, u"čЖ");
}

TEST(DrawTextBusy, AcquireWaitsForRelease) {
    TfrxDrawText dt;
    dt.Acquire();
    EXPECT_TRUE(dt.Busy());
    EXPECT_THROW(dt.Acquire(), Exception); // the same thread would wait forever
    std::atomic<bool> got{false};
    std::thread other([&] {
        DrawTextLock lock(dt);
        got = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(got);
    dt.Release();
    other.join();
    EXPECT_TRUE(got);
    EXPECT_FALSE(dt.Busy());
}

// Ink boxes of the text lines of a bitmap: bands of rows with ink.
struct LineBox {
    int left, top, right, bottom;
};
std::vector<LineBox> LineBoxes(const Bitmap& b) {
    std::vector<LineBox> boxes;
    bool in = false;
    for (int y = 0; y <= b.Height(); ++y) {
        int left = 1 << 30, right = -1;
        for (int x = 0; y < b.Height() && x < b.Width(); ++x)
            if ((b.Pixel(x, y) & 0xFF) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        if (right >= 0) {
            if (!in)
                boxes.push_back({left, y, right, y});
            in = true;
            LineBox& box = boxes.back();
            box.left = std::min(box.left, left);
            box.right = std::max(box.right, right);
            box.bottom = y;
        } else {
            in = false;
        }
    }
    return boxes;
}

TEST(DrawTextWysiwyg, ScaleOneAndThreeKeepRelativePositions) {
    test::TempFolder folder("wysiwyg");
    const std::vector<WideString> text = {
        u"The quick brown fox jumps over the lazy dog again and again,",
        u"Příliš žluťoučký kůň úpěl ďábelské ódy."};
    const int width = 200, height = 160;
    std::vector<std::vector<LineBox>> results;
    for (int scale : {1, 3}) {
        TfrxDrawText dt;
        DrawTextLock lock(dt);
        dt.AssignFont(Arial(10));
        dt.ConfigureOptions(true, false, 0, true, true, false, false);
        dt.ConfigureSpacing(2, 0, 0);
        dt.ConfigureArea({0, 0, width, height}, {0, 0, width * scale, height * scale}, 1, scale,
                         scale);
        dt.LayoutText(text);
        auto bitmap = Bitmap::Create(width * scale, height * scale);
        CairoCanvas canvas(*bitmap);
        dt.DrawLaidOut(canvas, TextHAlign::Block, TextVAlign::Top);
        canvas.Finish();
        bitmap->SavePng((folder.Path() / ("scale" + std::to_string(scale) + ".png")).string());
        results.push_back(LineBoxes(*bitmap));
        EXPECT_EQ(results.back().size(), dt.LineCount());
    }
    ASSERT_EQ(results[0].size(), results[1].size());
    ASSERT_GE(results[0].size(), 4u);
    for (size_t i = 0; i < results[0].size(); ++i) {
        SCOPED_TRACE(i);
        const LineBox& a = results[0][i];
        const LineBox& b = results[1][i];
        // Positions at scale 3, brought back to scale 1, agree within the
        // rounding of glyph outlines (two pixels at scale 1).
        EXPECT_NEAR(b.left / 3.0, a.left, 2.0);
        EXPECT_NEAR(b.right / 3.0, a.right, 2.0);
        EXPECT_NEAR(b.top / 3.0, a.top, 2.0);
        EXPECT_NEAR(b.bottom / 3.0, a.bottom, 2.0);
    }
}

} // namespace
} // namespace kanvo

namespace kanvo {
namespace {

TEST(PruhLayout, PrintsLinesFlagsAndMetricsAndDrawsPng) {
    auto pruh = test::BinaryPath("pruh");
    test::ProcessResult r =
        test::RunProcess(pruh, {"layout", "--font", "Arial", "--size", "12", "--width", "60",
                                "--height", "36", "Hello world\\nsecond"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("1 [first] Hello\n2 [last] world\n3 [first last] second\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("LinePitch 18.0000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("FontPixelHeight 16.0000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Overflow: second"), std::string::npos) << r.out;

    test::TempFolder folder("pruh-draw");
    std::string png = (folder.Path() / "out.png").string();
    r = test::RunProcess(pruh,
                         {"draw-text", "--size", "10", "--scale", "3", "--png", png, "Hello"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::ReadFile(png).substr(1, 3), "PNG");

    EXPECT_EQ(test::RunProcess(pruh, {"layout", "--size", "x", "a"}).exitCode, 2);
    EXPECT_EQ(test::RunProcess(pruh, {"draw-text", "a"}).exitCode, 2); // no --png
}

} // namespace
} // namespace kanvo
