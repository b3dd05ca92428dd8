// The raster path: views painted on a bitmap (placement of pictures, shapes)
// and the inline JPEG images of the page writer, checked as content text,
// as decoded pixels and, end to end, with qpdf, pdfimages and pdftoppm.
#include "pdf/pdf_export.h"
#include "pdf/pdf_file.h"
#include "pdf/pdf_raster.h"
#include "platform/format_settings.h"
#include "platform/graphics/image_codecs.h"
#include "report/engine/prepared_pages.h"
#include "report/model/bands.h"
#include "report/model/pages.h"
#include "report/model/report.h"
#include "report/model/views.h"
#include "tests/support/test_support.h"

#include "tests/pdf/pdf_test_report.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>

namespace kanvo {
namespace {

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0;
constexpr int kAllSides = ftLeft | ftRight | ftTop | ftBottom;

using test::Page;

// A 24-bit BMP, colours 0x00BBGGRR top row first.
std::string Bmp(int w, int h, const std::vector<uint32_t>& pixels) {
    auto put32 = [](std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    std::string data;
    for (int y = h - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const uint32_t c = pixels[static_cast<size_t>(y * w + x)];
            row[3 * static_cast<size_t>(x)] = static_cast<char>((c >> 16) & 0xFF);
            row[3 * static_cast<size_t>(x) + 1] = static_cast<char>((c >> 8) & 0xFF);
            row[3 * static_cast<size_t>(x) + 2] = static_cast<char>(c & 0xFF);
        }
        data += row;
    }
    std::string info;
    put32(info, 40);
    put32(info, static_cast<uint32_t>(w));
    put32(info, static_cast<uint32_t>(h));
    info += std::string("\x01\x00\x18\x00", 4);
    for (int i = 0; i < 6; ++i)
        put32(info, 0);
    std::string file = "BM";
    put32(file, static_cast<uint32_t>(54 + data.size()));
    put32(file, 0);
    put32(file, 54);
    return file + info + data;
}

std::string SolidJpeg(int w, int h, uint32_t color) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < w * h; ++i) {
        rgb.push_back(static_cast<uint8_t>(color & 0xFF));
        rgb.push_back(static_cast<uint8_t>((color >> 8) & 0xFF));
        rgb.push_back(static_cast<uint8_t>((color >> 16) & 0xFF));
    }
    return EncodeJpeg(*BitmapFromRgb(w, h, rgb.data()), 90);
}

void SetPicture(TfrxPictureView& view, TGraphicKind kind, const std::string& bytes) {
    view.Picture.SetGraphic(TGraphic::FromFile(kind, bytes));
}

bool Near(uint32_t a, uint32_t b, int tolerance = 40) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

// The quantisation tables of a JPEG file (its DQT segments).
std::string QuantTables(const std::string& jpeg) {
    std::string out;
    for (size_t at = jpeg.find("\xFF\xDB"); at != std::string::npos && at + 4 <= jpeg.size();
         at = jpeg.find("\xFF\xDB", at + 2)) {
        const size_t len = (static_cast<size_t>(static_cast<uint8_t>(jpeg[at + 2])) << 8) |
                           static_cast<uint8_t>(jpeg[at + 3]);
        out += jpeg.substr(at, 2 + len);
        at += 1 + len;
    }
    return out;
}

class RasterPath : public ::testing::Test {
protected:
    void SetUp() override { RegisterReportModelClasses(); }
    std::string Content() { return pdf.Cache().Read(0, pdf.Cache().Size()); }
    // The parts of the one inline image of the content: the text before the
    // JPEG, the JPEG and the text after it.
    struct Inline {
        std::string head, jpeg, tail;
    };
    Inline Split() {
        const std::string c = Content();
        const size_t id = c.find("ID\r\n");
        const size_t ei = c.find("\r\nEI\r\nQ\r\n");
        if (id == std::string::npos || ei == std::string::npos || ei < id)
            return {c, "", ""};
        return {c.substr(0, id + 4), c.substr(id + 4, ei - id - 4), c.substr(ei)};
    }
    TfrxPDFFile pdf{false, ""};
    Page geometry;
    TfrxPDFPage& page = pdf.AddPage(geometry);
};

std::string ImageHead(int w, int h) {
    return "q\r\n75.00 0 0 37.50 75.50 636.50 cm\r\nBI\r\n/W " + std::to_string(w) + "\r\n/H " +
           std::to_string(h) + "\r\n/CS /RGB\r\n/BPC 8\r\n/I true\r\n/F [/DCT]\r\nID\r\n";
}

// A 100 x 50 picture at 100, 100 (XL 75.50, YT 674.00, XR 150.50,
// YB 636.50): left half red, right half blue, a black frame of 2 pixels.
TEST_F(RasterPath, PictureBecomesAnInlineJpegThenItsFrame) {
    TfrxPictureView view;
    view.SetName("Picture1");
    view.SetBounds(100, 100, 100, 50);
    view.KeepAspectRatio = false;
    SetPicture(view, TGraphicKind::Bitmap, Bmp(2, 1, {kRed, kBlue}));
    view.Frame.Typ = kAllSides;
    view.Frame.SetWidth(2);
    page.AddObject(view);

    const Inline image = Split();
    EXPECT_EQ(image.head, ImageHead(101, 51));
    EXPECT_EQ(image.tail, "\r\nEI\r\nQ\r\n0 0 0 RG\r\n1.50 w\r\n75.50 674.00 m\r\n"
                          "150.50 674.00 l\r\n150.50 636.50 l\r\n75.50 636.50 l\r\n"
                          "75.50 674.00 l\r\ns\r\n");
    // The frame width is restored after painting.
    EXPECT_EQ(view.Frame.Width(), 2);
    auto bitmap = DecodeJpeg(image.jpeg);
    ASSERT_EQ(bitmap->Width(), 101);
    ASSERT_EQ(bitmap->Height(), 51);
    EXPECT_TRUE(Near(bitmap->Pixel(25, 25), kRed)) << std::hex << bitmap->Pixel(25, 25);
    EXPECT_TRUE(Near(bitmap->Pixel(75, 25), kBlue)) << std::hex << bitmap->Pixel(75, 25);
    // No frame on the bitmap: its edge pixels are the picture's.
    EXPECT_TRUE(Near(bitmap->Pixel(0, 25), kRed)) << std::hex << bitmap->Pixel(0, 25);
    EXPECT_TRUE(Near(bitmap->Pixel(90, 0), kBlue)) << std::hex << bitmap->Pixel(90, 0);
}

TEST_F(RasterPath, BitmapScaleByViewAndPrintOptimized) {
    TfrxPictureView picture, hatchedPicture;
    hatchedPicture.BrushStyle = TBrushStyle::bsCross;
    TfrxMemoView hatchedMemo, htmlMemo;
    hatchedMemo.BrushStyle = TBrushStyle::bsDiagCross;
    htmlMemo.AllowHTMLTags = true;
    htmlMemo.SetText(u"<b>A</b>");
    TfrxShapeView ellipse;
    ellipse.Shape = TfrxShapeKind::skEllipse;
    struct Case {
        const char* what;
        TfrxView* view;
        bool printOptimized;
        int w, h;
    };
    const Case cases[] = {
        {"picture", &picture, false, 101, 51},
        {"picture, print optimized", &picture, true, 303, 153},
        {"hatched picture, print optimized", &hatchedPicture, true, 101, 51},
        {"hatched memo", &hatchedMemo, true, 101, 51},
        {"HTML memo", &htmlMemo, false, 303, 153},
        {"ellipse", &ellipse, false, 101, 51},
        {"ellipse, print optimized", &ellipse, true, 303, 153},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.view->SetBounds(100, 100, 100, 50);
        pdf.PrintOptimized = c.printOptimized;
        const int64_t start = pdf.Cache().Size();
        page.AddObject(*c.view);
        const std::string content = Content().substr(static_cast<size_t>(start));
        EXPECT_EQ(content.substr(0, ImageHead(c.w, c.h).size()), ImageHead(c.w, c.h));
        const size_t id = content.find("ID\r\n"), ei = content.rfind("\r\nEI\r\n");
        ASSERT_NE(ei, std::string::npos);
        auto bitmap = DecodeJpeg(content.substr(id + 4, ei - id - 4));
        EXPECT_EQ(bitmap->Width(), c.w);
        EXPECT_EQ(bitmap->Height(), c.h);
    }
}

TEST_F(RasterPath, ShapesAreStoredAtQuality85OtherViewsAt80) {
    TfrxShapeView shape;
    shape.Shape = TfrxShapeKind::skDiamond;
    TfrxPictureView picture;
    auto white = Bitmap::Create(1, 1);
    const std::pair<TfrxView*, int> cases[] = {{&shape, 85}, {&picture, 80}};
    for (auto [view, quality] : cases) {
        view->SetBounds(100, 100, 100, 50);
        const int64_t start = pdf.Cache().Size();
        page.AddObject(*view);
        const std::string content = Content().substr(static_cast<size_t>(start));
        EXPECT_EQ(QuantTables(content), QuantTables(EncodeJpeg(*white, quality))) << quality;
    }
}

TEST_F(RasterPath, PictureThatCannotBeDecodedAbortsWithItsName) {
    TfrxPictureView view;
    view.SetName("Logo");
    view.SetBounds(0, 0, 10, 10);
    SetPicture(view, TGraphicKind::Jpeg, std::string("\xFF\xD8\xFF\xE0 not really", 15));
    try {
        page.AddObject(view);
        ADD_FAILURE() << "no error";
    } catch (const EImageError& e) {
        EXPECT_NE(e.Message().find("\"Logo\""), std::string::npos) << e.Message();
    }
}

TEST_F(RasterPath, HtmlMemoIsPaintedWithItsTextAndGetsItsFrameWidthsBack) {
    TfrxMemoView memo;
    memo.SetBounds(100, 100, 100, 50);
    memo.AllowHTMLTags = true;
    memo.SetText(u"<b>WWWW</b>");
    memo.Frame.Typ = kAllSides;
    memo.Frame.SetWidth(2);
    memo.Frame.LeftLine.Width = 4;
    page.AddObject(memo);
    const Inline image = Split();
    EXPECT_EQ(image.head, ImageHead(303, 153));
    // The frame after the image uses the frame width again.
    EXPECT_EQ(image.tail.find("\r\nEI\r\nQ\r\n0 0 0 RG\r\n1.50 w\r\n"), 0u) << image.tail;
    EXPECT_EQ(memo.Frame.Width(), 2);
    EXPECT_EQ(memo.Frame.LeftLine.Width, 4);
    EXPECT_EQ(memo.Frame.TopLine.Width, 2);
    auto bitmap = DecodeJpeg(image.jpeg);
    int dark = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x)
            dark += Near(bitmap->Pixel(x, y), kBlack, 80);
    EXPECT_GT(dark, 50) << "text pixels";
    // No frame on the bitmap.
    EXPECT_TRUE(Near(bitmap->Pixel(1, 140), kWhite)) << std::hex << bitmap->Pixel(1, 140);
    EXPECT_TRUE(Near(bitmap->Pixel(150, 1), kWhite)) << std::hex << bitmap->Pixel(150, 1);
}

TEST_F(RasterPath, ViewTooLargeForABitmapIsAClearError) {
    TfrxPictureView view;
    view.SetName("Huge");
    view.SetBounds(0, 0, 1e12, 10);
    try {
        page.AddObject(view);
        ADD_FAILURE() << "no error";
    } catch (const EImageError& e) {
        EXPECT_NE(e.Message().find("\"Huge\" is too large"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(Content(), "");
}

TEST_F(RasterPath, PicturesWithoutDecoderOrWithoutGraphicAreStillWritten) {
    TfrxPictureView empty, metafile;
    empty.SetBounds(0, 0, 10, 10);
    metafile.SetBounds(0, 0, 10, 10);
    std::string wmf(40, '\0');
    wmf.replace(0, 4, "\xD7\xCD\xC6\x9A", 4);
    SetPicture(metafile, TGraphicKind::Metafile, wmf);
    ASSERT_FALSE(metafile.Picture.Empty());
    page.AddObject(empty);
    page.AddObject(metafile);
    const std::string c = Content();
    size_t images = 0;
    for (size_t at = c.find("BI\r\n"); at != std::string::npos; at = c.find("BI\r\n", at + 1))
        ++images;
    EXPECT_EQ(images, 2u);
}

// Bounding box of the pixels of one colour.
struct Box {
    int left = -1, top = -1, right = -1, bottom = -1; // inclusive
    bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "[" << b.left << "," << b.top << " - " << b.right << "," << b.bottom << "]";
}
Box BoxOf(const Bitmap& bitmap, uint32_t color) {
    Box b;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.Pixel(x, y) == color) {
                if (b.left < 0 || x < b.left)
                    b.left = x;
                if (b.top < 0)
                    b.top = y;
                b.right = std::max(b.right, x);
                b.bottom = y;
            }
    return b;
}

TEST(DrawView, PicturePlacement) {
    RegisterReportModelClasses();
    struct Case {
        const char* what;
        double w, h, scale;
        bool stretched, keep, center;
        Box red;
    };
    // A 2 x 1 red picture in a box at 10, 20 painted with offsets that put
    // the box at the bitmap's origin.
    const Case cases[] = {
        {"stretched", 100, 100, 1, true, false, false, {0, 0, 99, 99}},
        {"stretched, aspect kept: the bottom moves up",
         100,
         100,
         1,
         true,
         true,
         false,
         {0, 0, 99, 49}},
        {"aspect kept and centred", 100, 100, 1, true, true, true, {0, 25, 99, 74}},
        {"aspect kept, wide box: the right edge moves in",
         100,
         40,
         1,
         true,
         true,
         false,
         {0, 0, 79, 39}},
        {"wide box centred", 100, 40, 1, true, true, true, {10, 0, 89, 39}},
        {"centre offset truncated", 101, 40, 1, true, true, true, {10, 0, 89, 39}},
        {"not stretched", 100, 100, 1, false, true, false, {0, 0, 1, 0}},
        {"not stretched, centred", 100, 100, 1, false, true, true, {49, 49, 50, 49}},
        {"not stretched at scale 3", 100, 100, 3, false, true, false, {0, 0, 5, 2}},
        {"not stretched, clipped to a smaller box", 1, 1, 1, false, true, false, {0, 0, 0, 0}},
        {"larger than the box and centred: offset towards zero",
         1,
         1,
         1,
         false,
         true,
         true,
         {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TfrxPictureView view;
        view.SetBounds(10, 20, c.w, c.h);
        view.Stretched = c.stretched;
        view.KeepAspectRatio = c.keep;
        view.Center = c.center;
        view.Color = clTransparent;
        SetPicture(view, TGraphicKind::Bitmap, Bmp(2, 1, {kRed, kRed}));
        auto bitmap = Bitmap::Create(310, 310);
        CairoCanvas canvas(*bitmap);
        DrawView(view, canvas, c.scale, c.scale, -10 * c.scale, -20 * c.scale);
        canvas.Finish();
        EXPECT_EQ(BoxOf(*bitmap, kRed), c.red);
    }
}

TEST(DrawView, BackgroundFrameAndShadow) {
    RegisterReportModelClasses();
    TfrxPictureView view; // white fill by default; no graphic
    view.SetBounds(0, 0, 20, 10);
    view.Color = kBlue;
    view.Frame.Typ = ftTop | ftLeft;
    view.Frame.SetColor(static_cast<int32_t>(kRed));
    view.Frame.SetWidth(3);
    auto bitmap = Bitmap::Create(40, 40);
    CairoCanvas canvas(*bitmap);
    DrawView(view, canvas, 2, 2, 0, 0);
    canvas.Finish();
    // Box 0..40 x 0..20 at scale 2; frame 6 pixels centred on the top and
    // left edges (3 inside).
    EXPECT_EQ(bitmap->Pixel(20, 1), kRed);
    EXPECT_EQ(bitmap->Pixel(1, 10), kRed);
    EXPECT_EQ(bitmap->Pixel(20, 10), kBlue);
    EXPECT_EQ(bitmap->Pixel(39, 19), kBlue); // no right or bottom side
    EXPECT_EQ(bitmap->Pixel(20, 25), kWhite);

    // Painted with frame width 0, as the PDF writer does: no frame.
    auto plain = Bitmap::Create(40, 40);
    CairoCanvas canvas2(*plain);
    DrawView(view, canvas2, 2, 2, 0, 0, 0.0);
    canvas2.Finish();
    EXPECT_EQ(plain->Pixel(20, 1), kBlue);

    // A drop shadow takes its width off the box and paints two bars.
    view.Frame.Typ = 0;
    view.Frame.DropShadow = true;
    view.Frame.ShadowWidth = 2;
    auto shadow = Bitmap::Create(40, 40);
    CairoCanvas canvas3(*shadow);
    DrawView(view, canvas3, 1, 1, 0, 0);
    canvas3.Finish();
    EXPECT_EQ(BoxOf(*shadow, kBlue), (Box{0, 0, 17, 7}));
    EXPECT_EQ(BoxOf(*shadow, kBlack), (Box{2, 2, 19, 9}));
}

TEST(DrawView, Shapes) {
    RegisterReportModelClasses();
    struct Case {
        TfrxShapeKind kind;
        std::vector<std::pair<int, int>> inside, outside;
    };
    // 100 x 100 pixels, red fill, black one-pixel outline.
    const Case cases[] = {
        {TfrxShapeKind::skRectangle, {{50, 50}, {2, 2}, {97, 97}}, {{101, 50}}},
        {TfrxShapeKind::skRoundRectangle, {{50, 50}, {50, 2}, {2, 50}}, {{1, 1}, {98, 98}}},
        {TfrxShapeKind::skEllipse, {{50, 50}, {50, 3}, {3, 50}}, {{8, 8}, {92, 92}}},
        {TfrxShapeKind::skTriangle, {{50, 50}, {5, 97}, {95, 97}}, {{10, 10}, {90, 10}}},
        {TfrxShapeKind::skDiamond, {{50, 50}, {50, 5}, {5, 50}}, {{10, 10}, {90, 90}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        TfrxShapeView shape;
        shape.Shape = c.kind;
        shape.SetBounds(0, 0, 100, 100);
        shape.Color = static_cast<int32_t>(kRed);
        auto bitmap = Bitmap::Create(110, 110);
        CairoCanvas canvas(*bitmap);
        DrawView(shape, canvas, 1, 1, 0, 0);
        canvas.Finish();
        for (auto [x, y] : c.inside)
            EXPECT_EQ(bitmap->Pixel(x, y), kRed) << x << "," << y;
        for (auto [x, y] : c.outside)
            EXPECT_EQ(bitmap->Pixel(x, y), kWhite) << x << "," << y;
    }
    // The outline covers the pixels of the box's edges; a transparent fill
    // leaves the inside white; a hatch brush draws in the frame colour.
    TfrxShapeView rect;
    rect.SetBounds(0, 0, 20, 20);
    auto bitmap = Bitmap::Create(30, 30);
    {
        CairoCanvas canvas(*bitmap);
        DrawView(rect, canvas, 1, 1, 0, 0);
        canvas.Finish();
    }
    EXPECT_EQ(BoxOf(*bitmap, kBlack), (Box{0, 0, 20, 20}));
    EXPECT_EQ(bitmap->Pixel(10, 10), kWhite);
    rect.BrushStyle = TBrushStyle::bsCross;
    auto hatched = Bitmap::Create(30, 30);
    {
        CairoCanvas canvas(*hatched);
        DrawView(rect, canvas, 1, 1, 0, 0);
        canvas.Finish();
    }
    int black = 0;
    for (int y = 2; y < 19; ++y)
        for (int x = 2; x < 19; ++x)
            black += hatched->Pixel(x, y) == kBlack;
    EXPECT_GT(black, 10);
    EXPECT_LT(black, 17 * 17 / 2);
}

// Two pictures on a band, prepared and exported: a JPEG and a BMP.
TEST(PdfRasterExport, PicturesReachThePdfAndRender) {
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
    test::OneBandReport r;
    TfrxReport& report = r.report;
    TfrxBand* band = r.band;
    auto* jpeg = TfrxComponent::Create<TfrxPictureView>(band);
    jpeg->SetName("Picture1");
    jpeg->SetBounds(100, 40, 200, 100);
    jpeg->KeepAspectRatio = false;
    SetPicture(*jpeg, TGraphicKind::Jpeg, SolidJpeg(8, 8, kRed));
    jpeg->Frame.Typ = kAllSides;
    auto* bmp = TfrxComponent::Create<TfrxPictureView>(band);
    bmp->SetName("Picture2");
    bmp->SetBounds(400, 40, 80, 40);
    SetPicture(*bmp, TGraphicKind::Bitmap, Bmp(2, 1, {kBlue, kBlue}));

    TfrxPreviewPages& pages = r.Prepare();

    test::TempFolder dir("pdf-raster");
    TfrxPDFExport pdf;
    pdf.ShowDialog = pdf.ShowProgress = false;
    pdf.Compressed = false;
    pdf.FileName = (dir.Path() / "pictures.pdf").string();
    ASSERT_TRUE(pages.ExportTo(pdf)) << report.ErrorText();
    EXPECT_TRUE(report.Errors.empty()) << report.ErrorText();

    auto check = test::RunProcess("/usr/bin/qpdf", {"--check", pdf.FileName});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;

    auto list = test::RunProcess("/usr/bin/pdfimages", {"-list", pdf.FileName});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(list.out);
    std::string line;
    bool body = false;
    while (std::getline(lines, line)) {
        if (line.rfind("---", 0) == 0) {
            body = true;
            continue;
        }
        if (!body)
            continue;
        std::istringstream words(line);
        std::vector<std::string> row;
        for (std::string w; words >> w;)
            row.push_back(w);
        rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), 2u) << list.out;
    // page num type width height color comp bpc enc
    EXPECT_EQ(rows[0][3], "201") << list.out;
    EXPECT_EQ(rows[0][4], "101");
    EXPECT_EQ(rows[0][5], "rgb");
    EXPECT_EQ(rows[0][8], "jpeg");
    EXPECT_EQ(rows[1][3], "81");
    EXPECT_EQ(rows[1][4], "41");

    // Where the pictures are, from their "cm" operators (points from the
    // bottom left), rendered at 72 dpi: one pixel per point.
    const std::string file = test::ReadFile(pdf.FileName);
    std::vector<std::array<double, 4>> boxes;
    for (size_t at = file.find(" cm\r\nBI"); at != std::string::npos;
         at = file.find(" cm\r\nBI", at + 1)) {
        const size_t start = file.rfind("q\r\n", at) + 3;
        std::istringstream numbers(file.substr(start, at - start));
        double a, b, c, d, e, f;
        numbers >> a >> b >> c >> d >> e >> f;
        boxes.push_back({a, d, e, f});
    }
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0][0], 150); // 200 pixels
    EXPECT_EQ(boxes[0][1], 75);
    auto render =
        test::RunProcess("/usr/bin/pdftoppm", {"-r", "72", "-png", "-singlefile", pdf.FileName,
                                               (dir.Path() / "page").string()});
    ASSERT_EQ(render.exitCode, 0) << render.err;
    auto png = DecodePng(test::ReadFile(dir.Path() / "page.png"));
    auto centre = [&](const std::array<double, 4>& box) {
        const int x = static_cast<int>(box[2] + box[0] / 2);
        const int y = png->Height() - static_cast<int>(box[3] + box[1] / 2);
        return png->Pixel(x, y);
    };
    EXPECT_TRUE(Near(centre(boxes[0]), kRed)) << std::hex << centre(boxes[0]);
    EXPECT_TRUE(Near(centre(boxes[1]), kBlue)) << std::hex << centre(boxes[1]);
    // Outside the pictures the page stays white.
    EXPECT_EQ(png->Pixel(5, 5), kWhite);
}

} // namespace
} // namespace kanvo
