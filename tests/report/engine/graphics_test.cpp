// Font service and canvas, with the real Liberation fonts.
#include "platform/graphics/canvas.h"
#include "platform/graphics/font_service.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace kanvo {
namespace {

FontService& Fonts() {
    return FontService::Instance();
}

TEST(FontService, WindowsNamesResolveToMetricCompatibleFaces) {
    struct Case {
        const char* request;
        int style;
        const char* family;
        const char* fileStem;
    };
    const Case cases[] = {
        {"Arial", 0, "Liberation Sans", "LiberationSans-Regular"},
        {"Arial", kFontBold, "Liberation Sans", "LiberationSans-Bold"},
        {"Arial", kFontBold | kFontItalic | kFontUnderline, "Liberation Sans",
         "LiberationSans-BoldItalic"},
        {"Times New Roman", kFontItalic, "Liberation Serif", "LiberationSerif-Italic"},
        {"Courier New", 0, "Liberation Mono", "LiberationMono-Regular"},
        {"arial", 0, "Liberation Sans", "LiberationSans-Regular"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        const FontFace& face = Fonts().Resolve(c.request, c.style);
        EXPECT_EQ(Fonts().FamilyName(face), c.family);
        EXPECT_NE(Fonts().FilePath(face).find(c.fileStem), std::string::npos)
            << Fonts().FilePath(face);
    }
}

TEST(FontService, EveryRequestResolvesAndFacesAreOpenedOnce) {
    const FontFace& unknown = Fonts().Resolve("No Such Font Family 4711", 0);
    EXPECT_FALSE(Fonts().FamilyName(unknown).empty());
    const FontFace& empty = Fonts().Resolve("", kFontBold);
    EXPECT_FALSE(Fonts().FamilyName(empty).empty());

    const FontFace& first = Fonts().Resolve("Arial", 0);
    int opened = Fonts().OpenedFaceCount();
    for (int i = 0; i < 2000; ++i)
        EXPECT_EQ(&Fonts().Resolve("Arial", i % 2 ? kFontUnderline : 0), &first);
    EXPECT_EQ(Fonts().OpenedFaceCount(), opened);
}

TEST(FontService, AdvancesAreWholeHintedPixels) {
    const FontFace& mono = Fonts().Resolve("Courier New", 0);
    // 1229/2048 of the em: 60 pixels at 100 per em, 50 at 83 (10 pt at 600 dpi).
    for (int w : Fonts().Advances(mono, u"iW .", 100))
        EXPECT_EQ(w, 60);
    for (int w : Fonts().Advances(mono, u"iW .", 83))
        EXPECT_EQ(w, 50);

    const FontFace& sans = Fonts().Resolve("Arial", 0);
    std::vector<int> adv = Fonts().Advances(sans, u"iW", 83);
    EXPECT_LT(adv[0], adv[1]);
    EXPECT_EQ(Fonts().TextWidth(sans, u"iW", 83), adv[0] + adv[1]);
    // The bold face is wider.
    const FontFace& bold = Fonts().Resolve("Arial", kFontBold);
    EXPECT_GT(Fonts().TextWidth(bold, u"Hello world", 83),
              Fonts().TextWidth(sans, u"Hello world", 83));
    // A character the face lacks still measures (as the missing glyph).
    EXPECT_GT(Fonts().Advance(sans, u'\u4E00', 83), 0);
}

TEST(FontService, PdfMetricsAtThousandUnitEm) {
    const FontFace& sans = Fonts().Resolve("Arial", 0);
    PdfFontMetrics m = Fonts().PdfMetrics(sans, 1250);
    EXPECT_EQ(m.weight, 400);
    EXPECT_EQ(m.ascent, 728); // sTypoAscender 1491 of 2048
    EXPECT_EQ(m.descent, -210);
    EXPECT_EQ(m.capHeight, 688);
    EXPECT_EQ(m.italicAngle, 0);
    EXPECT_EQ(m.firstChar, 32);
    EXPECT_EQ(m.lastChar, 255);
    EXPECT_GT(m.internalLeading, 0);
    EXPECT_LT(m.bboxLeft, 0);
    EXPECT_GT(m.bboxTop, 900);
    EXPECT_GT(m.maxWidth, m.avgWidth);
    auto width = [&](unsigned char c) { return m.abc[c].a + m.abc[c].b + m.abc[c].c; };
    EXPECT_EQ(width(' '), 278);
    EXPECT_EQ(width('A'), 667);
    EXPECT_EQ(width(0xE8), 500); // c with caron in Windows-1250
    EXPECT_EQ(m.postScriptName, "LiberationSans");

    PdfFontMetrics bold =
        Fonts().PdfMetrics(Fonts().Resolve("Times New Roman", kFontBold | kFontItalic), 1252);
    EXPECT_EQ(bold.weight, 700);
    EXPECT_LT(bold.italicAngle, 0);
    PdfFontMetrics mono = Fonts().PdfMetrics(Fonts().Resolve("Courier New", 0), 1252);
    EXPECT_EQ(mono.abc['A'].a + mono.abc['A'].b + mono.abc['A'].c, 600);
}

TEST(FontService, RawFontDataIsTheWholeTrueTypeFile) {
    const std::vector<uint8_t>& data = Fonts().RawFontData(Fonts().Resolve("Arial", 0));
    ASSERT_GT(data.size(), 100000u);
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[1], 1);
    EXPECT_EQ(data[2], 0);
    EXPECT_EQ(data[3], 0);
}

TEST(FontService, RealizedCharset) {
    const FontFace& sans = Fonts().Resolve("Arial", 0);
    EXPECT_EQ(Fonts().RealizedCharset(sans, kEastEuropeCharset), kEastEuropeCharset);
    EXPECT_EQ(Fonts().RealizedCharset(sans, 204), 204);             // Cyrillic is covered
    EXPECT_EQ(Fonts().RealizedCharset(sans, kDefaultCharset), 238); // the process code page 1250
    EXPECT_EQ(Fonts().RealizedCharset(sans, 128), kAnsiCharset);    // no Japanese glyphs
    EXPECT_EQ(Fonts().RealizedCharset(sans, kSymbolCharset), kAnsiCharset);
    EXPECT_EQ(CharsetCodePage(238), 1250);
    EXPECT_EQ(CharsetCodePage(77), 1252);
    EXPECT_EQ(CodePageCharset(1251), 204);
}

// Ink bounding box of a bitmap: pixels that are not white.
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool Empty() const { return right < 0; }
};
Box InkBox(const Bitmap& b) {
    Box box;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != kColorWhite) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

TEST(Canvas, FillsRectanglesInWindowsColours) {
    auto bitmap = Bitmap::Create(20, 10);
    EXPECT_EQ(bitmap->Pixel(5, 5), kColorWhite);
    CairoCanvas canvas(*bitmap);
    canvas.FillRect({2, 2, 6, 6}, 0x0000FF); // red
    canvas.FillRect({10, 2, 14, 6}, kColorTransparent);
    canvas.Finish();
    EXPECT_EQ(bitmap->Pixel(3, 3), 0x0000FFu);
    EXPECT_EQ(bitmap->Pixel(11, 3), kColorWhite);
    std::vector<uint8_t> rgb = bitmap->ToRgb();
    size_t at = (3u * 20u + 3u) * 3u;
    EXPECT_EQ(rgb[at], 255);
    EXPECT_EQ(rgb[at + 1], 0);
}

TEST(Canvas, ClipAndBalanceRules) {
    auto bitmap = Bitmap::Create(20, 20);
    CairoCanvas canvas(*bitmap);
    canvas.PushClip({0, 0, 10, 10});
    canvas.FillRect({0, 0, 20, 20}, 0);
    EXPECT_THROW(canvas.Restore(), Exception); // a clip is open, not a save
    EXPECT_THROW(canvas.Finish(), Exception);
    canvas.PopClip();
    EXPECT_THROW(canvas.PopClip(), Exception);
    canvas.Save();
    canvas.Restore();
    canvas.Finish();
    Box box = InkBox(*bitmap);
    EXPECT_EQ(box.right, 9);
    EXPECT_EQ(box.bottom, 9);
}

TEST(Canvas, ShapesHatchesAndImages) {
    auto bitmap = Bitmap::Create(60, 60);
    CairoCanvas canvas(*bitmap);
    canvas.SetBrush({0xFF0000, BrushStyle::Cross});
    canvas.SetPen({0, 1, PenStyle::Clear});
    canvas.Rectangle({0, 0, 30, 30});
    int inked = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            inked += bitmap->Pixel(x, y) != kColorWhite;
    EXPECT_GT(inked, 60);  // lines were drawn ...
    EXPECT_LT(inked, 400); // ... but the background shows through

    canvas.SetBrush({0x00FF00, BrushStyle::Solid});
    canvas.SetPen({0, 2, PenStyle::Dash});
    canvas.Ellipse({32, 32, 58, 58});
    EXPECT_EQ(bitmap->Pixel(45, 45), 0x00FF00u);
    canvas.RoundRect({32, 0, 58, 28}, 5, 5);
    canvas.Polygon({{0, 35}, {20, 35}, {10, 55}});
    EXPECT_EQ(bitmap->Pixel(10, 42), 0x00FF00u);

    auto source = Bitmap::Create(2, 2);
    {
        CairoCanvas s(*source);
        s.FillRect({0, 0, 1, 1}, 0);
    }
    auto target = Bitmap::Create(20, 20);
    CairoCanvas t(*target);
    t.StretchImage(*source, {0, 0, 20, 20}, false);
    EXPECT_EQ(target->Pixel(9, 9), 0u);
    EXPECT_EQ(target->Pixel(10, 10), kColorWhite);
    EXPECT_EQ(target->Pixel(0, 15), kColorWhite);
}

TEST(Canvas, TextMeasuresAsItDrawsAndRotates) {
    auto bitmap = Bitmap::Create(300, 300);
    CairoCanvas canvas(*bitmap);
    FontSpec font;
    font.name = "Arial";
    canvas.SetFont(font, 40);
    std::vector<int> adv = canvas.MeasureAdvances(u"Hello");
    int width = canvas.TextWidth(u"Hello");
    EXPECT_EQ(width, adv[0] + adv[1] + adv[2] + adv[3] + adv[4]);
    canvas.TextOut(10, 10, u"Hello", nullptr);
    Box box = InkBox(*bitmap);
    ASSERT_FALSE(box.Empty());
    EXPECT_GE(box.left, 10);
    EXPECT_LE(box.left, 14);
    EXPECT_NEAR(box.right, 10 + width, 4);
    EXPECT_GE(box.top, 10);
    EXPECT_LT(box.bottom, 10 + 40);

    // Explicit advances place the characters.
    auto spaced = Bitmap::Create(300, 60);
    CairoCanvas sc(*spaced);
    sc.SetFont(font, 40);
    std::vector<int> wide = {60, 60, 60, 60, 60};
    sc.TextOut(0, 0, u"HHHHH", &wide);
    EXPECT_GT(InkBox(*spaced).right, 240);

    // 90 degrees: the text runs upwards from the start point.
    auto rotated = Bitmap::Create(100, 300);
    CairoCanvas rc(*rotated);
    rc.SetFont(font, 40, 900);
    rc.TextOut(10, 290, u"Hello", nullptr);
    Box r = InkBox(*rotated);
    EXPECT_GT(r.bottom - r.top, r.right - r.left);
    EXPECT_LE(r.bottom, 290);
    EXPECT_GE(r.top, 290 - width - 4);

    // Clipped text stays inside the clip.
    auto clipped = Bitmap::Create(300, 60);
    CairoCanvas cc(*clipped);
    cc.SetFont(font, 40);
    TextOutOptions options;
    options.clip = RectF{0, 0, 30, 60};
    cc.TextOut(0, 0, u"Hello", nullptr, options);
    EXPECT_LT(InkBox(*clipped).right, 30);
}

TEST(Bitmap, SavesPng) {
    test::TempFolder folder("graphics");
    auto bitmap = Bitmap::Create(4, 4);
    std::string path = (folder.Path() / "out.png").string();
    bitmap->SavePng(path);
    EXPECT_EQ(test::ReadFile(path).substr(1, 3), "PNG");
    EXPECT_THROW(bitmap->SavePng((folder.Path() / "missing" / "x.png").string()), EFileError);
}

} // namespace
} // namespace kanvo
