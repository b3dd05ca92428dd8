// The vector operators of the page writer, checked as content-stream text,
// and one report exported end to end through the prepared pages.
#include "pdf/pdf_export.h"
#include "pdf/pdf_file.h"
#include "platform/format_settings.h"
#include "platform/graphics/canvas.h"
#include "report/engine/prepared_pages.h"
#include "report/model/bands.h"
#include "report/model/pages.h"
#include "report/model/report.h"
#include "report/model/views.h"
#include "tests/pdf/pdf_test_report.h"
#include "tests/support/test_support.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace kanvo {
namespace {

using test::Page;

constexpr int kAllSides = ftLeft | ftRight | ftTop | ftBottom;

// One page of a fresh writer; Content() is what the page wrote so far.
class PdfPageWriter : public ::testing::Test {
protected:
    void SetUp() override { RegisterReportModelClasses(); }
    std::string Content() { return pdf.Cache().Read(0, pdf.Cache().Size()); }
    TfrxPDFFile pdf{false, ""};
    Page geometry;
    TfrxPDFPage& page = pdf.AddPage(geometry);
};

// A box at 100, 100 of 200 x 40 pixels: XL 75.50, XR 225.50, YT 674.00,
// YB 644.00.
template <class View>
void PlaceBox(View& view, double w = 200, double h = 40) {
    view.SetBounds(100, 100, w, h);
}

TEST_F(PdfPageWriter, ColorTexts) {
    const int32_t btnFace = static_cast<int32_t>(0x8000000F);
    Rgb face = ColorToRgb(0x8000000F);
    const std::string faceText = FormatNumber(face.r / 255.0) + " " + FormatNumber(face.g / 255.0) +
                                 " " + FormatNumber(face.b / 255.0);
    const std::pair<int32_t, std::string> cases[] = {
        {0, "0 0 0"},
        {0xFFFFFF, "1 1 1"},
        {0x0000FF, "1.00 0.00 0.00"},
        {0x336699, "0.60 0.40 0.20"},
        {0x336699, "0.60 0.40 0.20"}, // repeated: the remembered text
        {0, "0 0 0"},
        {0x336699, "0.60 0.40 0.20"}, // black in between does not replace it
        {clTransparent, "1.00 1.00 1.00"},
        {btnFace, faceText},
    };
    for (const auto& [color, text] : cases)
        EXPECT_EQ(page.ColorString(color), text) << std::hex << color;
}

TEST_F(PdfPageWriter, Frames) {
    struct Case {
        int sides;
        int32_t color;
        double width;
        std::string expected;
    };
    const std::string head = "0 0 0 RG\r\n0.75 w\r\n";
    const Case cases[] = {
        {kAllSides, 0, 1,
         head + "75.50 674.00 m\r\n225.50 674.00 l\r\n225.50 644.00 l\r\n75.50 644.00 l\r\n"
                "75.50 674.00 l\r\ns\r\n"},
        {ftTop | ftBottom, 0, 1,
         head + "75.50 674.00 m\r\n225.50 674.00 l\r\nS\r\n75.50 644.00 m\r\n225.50 644.00 "
                "l\r\nS\r\n"},
        {ftLeft | ftRight, 0x0000FF, 2,
         "1.00 0.00 0.00 RG\r\n1.50 w\r\n225.50 674.00 m\r\n225.50 644.00 l\r\nS\r\n"
         "75.50 674.00 m\r\n75.50 644.00 l\r\nS\r\n"},
        {0, 0, 5, ""},
        {kAllSides, clTransparent, 1, ""},
    };
    for (const Case& c : cases) {
        TfrxMemoView memo;
        memo.Frame.Typ = c.sides;
        memo.Frame.SetColor(c.color);
        memo.Frame.SetWidth(c.width);
        int64_t start = pdf.Cache().Size();
        page.WriteFrame(memo.Frame, 100, 100, 200, 40);
        EXPECT_EQ(Content().substr(static_cast<size_t>(start)), c.expected) << c.sides;
    }
}

TEST_F(PdfPageWriter, MemoWithShadowFillAndFrame) {
    TfrxMemoView memo;
    PlaceBox(memo);
    memo.Color = 0x0000FF;
    memo.Frame.Typ = kAllSides;
    memo.Frame.DropShadow = true; // 4 pixels, black
    page.AddObject(memo);
    // Clip to the box plus the frame width; shadow; fill and frame on the
    // box reduced by the shadow (196 x 36).
    EXPECT_EQ(Content(), "q\r\n74.75 643.25 151.50 31.50 re\r\nW\r\nn\r\n"
                         "0 0 0 rg\r\n0 0 0 RG\r\n"
                         "222.50 644.00 3.00 27.00 re\r\nB\r\n"
                         "78.50 644.00 147.00 3.00 re\r\nB\r\n"
                         "1.00 0.00 0.00 rg\r\n75.50 647.00 147.00 27.00 re\r\nf\r\n"
                         "0 0 0 RG\r\n0.75 w\r\n75.50 674.00 m\r\n222.50 674.00 l\r\n"
                         "222.50 647.00 l\r\n75.50 647.00 l\r\n75.50 674.00 l\r\ns\r\n"
                         "Q\r\n");
}

TEST_F(PdfPageWriter, MemoWithoutColourOrFrameIsOnlyItsClip) {
    TfrxMemoView memo;
    PlaceBox(memo);
    page.AddObject(memo);
    EXPECT_EQ(Content(), "q\r\n74.75 643.25 151.50 31.50 re\r\nW\r\nn\r\nQ\r\n");
}

TEST_F(PdfPageWriter, Shapes) {
    struct Case {
        TfrxShapeKind kind;
        int32_t color;
        std::string expected;
    };
    const std::string head = "0 0 0 RG\r\n0.75 w\r\n";
    const Case cases[] = {
        {TfrxShapeKind::skRectangle, clTransparent,
         head + "1.00 1.00 1.00 rg\r\n75.50 644.00 \r\n150.00 30.00 re\r\nS\r\n"},
        {TfrxShapeKind::skRectangle, 0xFFFFFF,
         head + "1 1 1 rg\r\n75.50 644.00 \r\n150.00 30.00 re\r\nB\r\n"},
        {TfrxShapeKind::skDiagonal1, 0xFFFFFF, head + "75.50 644.00 m\r\n225.50 674.00 l\r\nS\r\n"},
        {TfrxShapeKind::skDiagonal2, 0xFFFFFF, head + "75.50 674.00 m\r\n225.50 644.00 l\r\nS\r\n"},
    };
    for (const Case& c : cases) {
        TfrxShapeView shape;
        PlaceBox(shape);
        shape.Shape = c.kind;
        shape.Color = c.color;
        int64_t start = pdf.Cache().Size();
        page.AddObject(shape);
        EXPECT_EQ(Content().substr(static_cast<size_t>(start)), c.expected)
            << static_cast<int>(c.kind);
    }
}

TEST_F(PdfPageWriter, LinesAndArrowHeads) {
    struct Case {
        const char* what;
        double w, h;
        bool start, end, solid;
        std::string arrows; // what follows the line's own stroke
    };
    const Case cases[] = {
        // Tip (225.50, 674.00); the base point 15 points back along the line.
        {"horizontal, solid end", 200, 0, false, true, true,
         "210.50 670.25 m\r\n225.50 674.00 l\r\n210.50 677.75 l\r\n1 j\r\n0 0 0 rg\r\nb\r\n"},
        // Vertical from (75.50, 674.00) down to (75.50, 524.00).
        {"vertical, start", 0, 200, true, false, false,
         "71.75 659.00 m\r\n75.50 674.00 l\r\n79.25 659.00 l\r\nS\r\n"},
        {"vertical, end", 0, 200, false, true, false,
         "71.75 539.00 m\r\n75.50 524.00 l\r\n79.25 539.00 l\r\nS\r\n"},
        // 120 x 90 points (a 3-4-5 line): base (183.50, 593.00), wings 3.75
        // points across the line.
        {"sloped, end", 160, 120, false, true, false,
         "181.25 590.00 m\r\n195.50 584.00 l\r\n185.75 596.00 l\r\nS\r\n"},
        {"no arrows", 200, 0, false, false, true, ""},
    };
    for (const Case& c : cases) {
        TfrxLineView line;
        PlaceBox(line, c.w, c.h);
        line.ArrowStart = c.start;
        line.ArrowEnd = c.end;
        line.ArrowSolid = c.solid;
        int64_t start = pdf.Cache().Size();
        page.AddObject(line);
        std::string stroke = "0 0 0 RG\r\n0.75 w\r\n75.50 674.00 m\r\n" +
                             FormatNumber(page.X(100 + c.w)) + " " +
                             FormatNumber(page.Y(100 + c.h)) + " l\r\nS\r\n";
        EXPECT_EQ(Content().substr(static_cast<size_t>(start)), stroke + c.arrows) << c.what;
    }
}

TEST_F(PdfPageWriter, ZeroLengthLineWithArrowsStaysFinite) {
    TfrxLineView line;
    PlaceBox(line, 0, 0);
    line.ArrowStart = line.ArrowEnd = true;
    line.ArrowLength = 0;
    page.AddObject(line);
    EXPECT_EQ(Content().find("nan"), std::string::npos);
    EXPECT_EQ(Content().find("inf"), std::string::npos);
}

TEST_F(PdfPageWriter, WhichPathAViewTakes) {
    TfrxMemoView plain, hatched, html, htmlNoTag;
    hatched.BrushStyle = TBrushStyle::bsCross;
    html.AllowHTMLTags = htmlNoTag.AllowHTMLTags = true;
    html.SetText(u"<b>tučně</b>");
    htmlNoTag.SetText(u"a > b");
    TfrxLineView line;
    TfrxShapeView rect, ellipse, diagonal;
    ellipse.Shape = TfrxShapeKind::skEllipse;
    diagonal.Shape = TfrxShapeKind::skDiagonal2;
    TfrxPictureView picture, empty, background;
    picture.SetBounds(0, 0, 100, 50);
    empty.SetBounds(0, 0, 0, 50);
    background.SetName("_pagebackground");
    background.SetBounds(0, 0, 100, 50);
    struct Case {
        const TfrxView* view;
        bool htmlTags, background;
        PdfViewPath path;
    };
    const Case cases[] = {
        {&plain, true, false, PdfViewPath::Text},
        {&hatched, true, false, PdfViewPath::Raster},
        {&html, true, false, PdfViewPath::Raster},
        {&html, false, false, PdfViewPath::Text},
        {&htmlNoTag, true, false, PdfViewPath::Text},
        {&line, true, false, PdfViewPath::Line},
        {&rect, true, false, PdfViewPath::Rectangle},
        {&ellipse, true, false, PdfViewPath::Raster},
        {&diagonal, true, false, PdfViewPath::Diagonal},
        {&picture, true, false, PdfViewPath::Raster},
        {&empty, true, false, PdfViewPath::None},
        {&background, true, false, PdfViewPath::None},
        {&background, true, true, PdfViewPath::Raster},
    };
    int i = 0;
    for (const Case& c : cases) {
        pdf.HTMLTags = c.htmlTags;
        pdf.Background = c.background;
        EXPECT_EQ(page.ViewPath(*c.view), c.path) << "case " << i++;
    }
    // The raster path writes an inline image for a view with a size, and
    // nothing for one without (the ellipse has no size here).
    page.AddObject(picture);
    page.AddObject(ellipse);
    EXPECT_EQ(Content().rfind("q\r\n75.00 0 0 37.50 ", 0), 0u) << Content().substr(0, 80);
    EXPECT_EQ(Content().find("BI\r\n"), Content().rfind("BI\r\n"));
}

// A report page with a band of a framed memo, a line, a rectangle shape and a
// memo that is not printable, prepared once and exported to a file.
TEST(PdfExportRun, PreparedPagesBecomeAPdfWithTheirGraphics) {
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
    test::OneBandReport r;
    TfrxReport& report = r.report;
    TfrxBand* band = r.band;
    r.page->SetColor(0x00FF00); // page background: not written with Background off
    auto* memo = TfrxComponent::Create<TfrxMemoView>(band);
    memo->SetName("Memo1");
    memo->SetBounds(100, 40, 200, 40);
    memo->SetText(u"Smlouva");
    memo->Frame.Typ = kAllSides;
    auto* line = TfrxComponent::Create<TfrxLineView>(band);
    line->SetName("Line1");
    line->SetBounds(100, 120, 200, 0);
    line->ArrowEnd = line->ArrowSolid = true;
    auto* shape = TfrxComponent::Create<TfrxShapeView>(band);
    shape->SetName("Shape1");
    shape->SetBounds(350, 40, 100, 60);
    shape->Color = 0x0000FF;
    auto* hidden = TfrxComponent::Create<TfrxMemoView>(band);
    hidden->SetName("Memo2");
    hidden->SetBounds(0, 200, 50, 20);
    hidden->Color = 0xFF0000;
    hidden->Printable = false;

    TfrxPreviewPages& pages =
        r.Prepare([](TfrxPreviewPages& p) { p.Outline().AddItem("Smlouva", 40); });

    test::TempFolder dir("pdf-export-run");
    TfrxPDFExport pdf;
    pdf.ShowDialog = pdf.ShowProgress = false;
    pdf.Compressed = false;
    pdf.Outline = true;
    pdf.FileName = (dir.Path() / "akt.pdf").string();
    ASSERT_TRUE(pages.ExportTo(pdf)) << report.ErrorText();
    EXPECT_TRUE(report.Errors.empty()) << report.ErrorText();
    EXPECT_EQ(pdf.Pages, &pages);
    ASSERT_EQ(pdf.FileNames.size(), 1u);

    auto check = test::RunProcess("/usr/bin/qpdf", {"--check", pdf.FileName});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    std::ifstream in(pdf.FileName, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string file = bytes.str();
    auto has = [&](const std::string& part) { return file.find(part) != std::string::npos; };
    // Memo: clip, closed frame path. Its left edge: page margin (10 mm =
    // 37.7953 px) + 100 px, at 0.75 points per pixel, + 0.5 points.
    EXPECT_TRUE(has("q\r\n")) << file;
    EXPECT_TRUE(has("W\r\nn\r\n"));
    EXPECT_TRUE(has(FormatNumber(137.7953 * 0.75 + 0.5) + " ")) << file;
    EXPECT_TRUE(has(" l\r\ns\r\n"));
    // Line with a solid arrow head, rectangle with a fill.
    EXPECT_TRUE(has(" l\r\n1 j\r\n0 0 0 rg\r\nb\r\n"));
    EXPECT_TRUE(has("1.00 0.00 0.00 rg\r\n"));
    EXPECT_TRUE(has(" re\r\nB\r\n"));
    // Neither the hidden memo's fill nor the page colour.
    EXPECT_FALSE(has("0.00 0.00 1.00 rg"));
    EXPECT_FALSE(has("0.00 1.00 0.00"));
    // The prepared pages' outline.
    EXPECT_TRUE(has("/Outlines 3 0 R"));
    EXPECT_TRUE(has("/Title <FEFF0053006D006C006F007500760061>"));
}

} // namespace
} // namespace kanvo
