// The text path of the page writer and its font resources, checked as
// content-stream and file text, and a report of memos exported end to end
// and read back with qpdf and pdftotext.
#include "pdf/pdf_export.h"
#include "pdf/pdf_file.h"
#include "platform/code_page.h"
#include "platform/format_settings.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/font_service.h"
#include "report/engine/prepared_pages.h"
#include "report/model/bands.h"
#include "report/model/pages.h"
#include "report/model/report.h"
#include "report/model/views.h"
#include "tests/pdf/pdf_test_report.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace kanvo {
namespace {

using test::Page;

// One outline item on the first page.
struct OneItemOutline : IPdfExportOutline {
    int level = 0;
    int Count() const override { return level == 0 ? 1 : 0; }
    void GetItem(int, WideString& text, int& page, int& top) const override {
        text = u"Smlouva";
        page = 0;
        top = 40;
    }
    void LevelDown(int) override { ++level; }
    void LevelUp() override { --level; }
    void LevelRoot() override { level = 0; }
};

constexpr const char* kClip = "q\r\n74.75 643.25 151.50 31.50 re\r\nW\r\nn\r\n";

// Memos at 100, 100 of 200 x 40 pixels in Arial 12 (a 100-unit measuring
// font: the font height is 16 pixels, the line pitch 18). With the default
// gaps (2, 1) a left-aligned line starts at 103.12 pixels (77.84 points)
// and the first top-aligned baseline lies at 116.65 pixels (661.51 points).
class PdfTextWriter : public ::testing::Test {
protected:
    void SetUp() override { RegisterReportModelClasses(); }
    std::string Content() { return pdf.Cache().Read(0, pdf.Cache().Size()); }
    // What the page wrote since `start`.
    std::string Since(int64_t start) { return pdf.Cache().Read(start, pdf.Cache().Size() - start); }
    // The content of one memo written on the page.
    std::string Write(TfrxMemoView& memo) {
        const int64_t start = pdf.Cache().Size();
        page.AddObject(memo);
        return Since(start);
    }
    std::string Save() {
        pdf.Compressed = false;
        pdf.FixedGuid = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
        pdf.PrepareSecurity();
        std::ostringstream out;
        pdf.SaveToStream(out);
        return out.str();
    }
    static void Place(TfrxMemoView& memo, const WideString& text) {
        memo.SetBounds(100, 100, 200, 40);
        memo.Font().SetSize(12);
        memo.SetText(text);
    }
    static std::string TdLines(const std::string& content) {
        std::string lines;
        std::istringstream in(content);
        for (std::string line; std::getline(in, line);)
            if (line.find(" Td") != std::string::npos || line.find(" Tm") != std::string::npos)
                lines += line.substr(0, line.size() - 1) + "|";
        return lines;
    }
    TfrxPDFFile pdf{false, ""};
    Page geometry;
    TfrxPDFPage& page = pdf.AddPage(geometry);
};

bool Has(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

size_t CountOf(const std::string& s, const std::string& part) {
    size_t n = 0;
    for (size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1))
        ++n;
    return n;
}

TEST_F(PdfTextWriter, ALineIsOneTextObjectInTheMemosFontAndColour) {
    TfrxMemoView memo;
    Place(memo, u"Hello");
    EXPECT_EQ(Write(memo), std::string(kClip) +
                               "/F0 12 Tf\r\n0 0 0 rg\r\n"
                               "BT\r\n77.84 661.51 Td\r\n<48656C6C6F> Tj\r\nET\r\nQ\r\n");
}

TEST_F(PdfTextWriter, EmptyAndBlankMemos) {
    TfrxMemoView memo;
    Place(memo, u"");
    EXPECT_EQ(Write(memo), std::string(kClip) + "Q\r\n");
    // Blank lines select the font and colour but write no text object.
    Place(memo, u"  \r\n\t");
    EXPECT_EQ(Write(memo), std::string(kClip) + "/F0 12 Tf\r\n0 0 0 rg\r\nQ\r\n");
    // A blank line between two keeps its place.
    Place(memo, u"a\r\n \r\nb");
    EXPECT_EQ(TdLines(Write(memo)), "77.84 661.51 Td|77.84 634.51 Td|");
}

TEST_F(PdfTextWriter, HorizontalAlignmentAndCharacterSpacing) {
    // "1000" measures 4 x 56 units = 35.84 pixels (plus 4 x CharSpacing); the
    // text area is 196 pixels wide from 103.12.
    struct Case {
        TfrxHAlign align;
        double charSpacing;
        std::string td;
    };
    const Case cases[] = {
        {TfrxHAlign::haLeft, 0, "77.84 661.51 Td"},
        {TfrxHAlign::haBlock, 0, "77.84 661.51 Td"}, // justified text is written left-aligned
        {TfrxHAlign::haRight, 0, "197.96 661.51 Td"},
        {TfrxHAlign::haCenter, 0, "137.90 661.51 Td"},
        {TfrxHAlign::haLeft, 2, "77.84 661.51 Td"},
        // 8 pixels wider, then shifted right by 1.50 points
        {TfrxHAlign::haRight, 2, "193.46 661.51 Td"},
        {TfrxHAlign::haCenter, 2, "134.90 661.51 Td"},
    };
    for (const Case& c : cases) {
        TfrxMemoView memo;
        Place(memo, u"1000");
        memo.HAlign = c.align;
        memo.CharSpacing = c.charSpacing;
        const std::string content = Write(memo);
        EXPECT_EQ(TdLines(content), c.td + "|")
            << static_cast<int>(c.align) << " " << c.charSpacing;
        EXPECT_EQ(Has(content, "0 0 0 rg\r\n1.50 Tc\r\nBT\r\n"), c.charSpacing == 2);
    }
}

TEST_F(PdfTextWriter, VerticalAlignment) {
    // Text area from 100.65 pixels, 38 high; pitch 18, font height 16.
    struct Case {
        TfrxVAlign align;
        WideString text;
        std::string td;
    };
    const Case cases[] = {
        {TfrxVAlign::vaTop, u"a", "77.84 661.51 Td|"},
        {TfrxVAlign::vaBottom, u"a", "77.84 645.01 Td|"},
        {TfrxVAlign::vaCenter, u"a", "77.84 652.51 Td|"},
        {TfrxVAlign::vaTop, u"a\r\nb", "77.84 661.51 Td|77.84 648.01 Td|"},
        {TfrxVAlign::vaBottom, u"a\r\nb", "77.84 658.51 Td|77.84 645.01 Td|"},
        {TfrxVAlign::vaCenter, u"a\r\nb", "77.84 659.26 Td|77.84 645.76 Td|"},
    };
    for (const Case& c : cases) {
        TfrxMemoView memo;
        Place(memo, c.text);
        memo.VAlign = c.align;
        EXPECT_EQ(TdLines(Write(memo)), c.td) << static_cast<int>(c.align);
    }
}

TEST_F(PdfTextWriter, ParagraphGapMovesOnlyTheFirstLine) {
    TfrxMemoView memo;
    Place(memo, u"a\r\nb");
    memo.ParagraphGap = 4;
    EXPECT_EQ(TdLines(Write(memo)), "80.84 661.51 Td|77.84 648.01 Td|");
}

TEST_F(PdfTextWriter, DropShadowNarrowsTheTextArea) {
    // Without a drop shadow the shadow width is not taken off.
    for (bool shadow : {false, true}) {
        TfrxMemoView memo;
        Place(memo, u"1000");
        memo.HAlign = TfrxHAlign::haRight;
        memo.VAlign = TfrxVAlign::vaBottom;
        memo.Frame.ShadowWidth = 4;
        memo.Frame.DropShadow = shadow;
        EXPECT_EQ(TdLines(Write(memo)), shadow ? "194.96 648.01 Td|" : "197.96 645.01 Td|");
    }
}

TEST_F(PdfTextWriter, Rotation) {
    struct Case {
        int rotation;
        TfrxHAlign align;
        std::string position;
    };
    const Case cases[] = {
        {0, TfrxHAlign::haLeft, "77.84 661.51 Td"},
        {90, TfrxHAlign::haLeft, "0.00 1.00 -1.00 0.00 77.84 661.51 Tm"},
        // turned about the middle of the measured width (35.84 pixels)
        {90, TfrxHAlign::haRight, "0.00 1.00 -1.00 0.00 211.40 648.07 Tm"},
        {180, TfrxHAlign::haLeft, "-1.00 0.00 0.00 -1.00 77.84 661.51 Tm"},
        // a negative angle turns as its positive equivalent
        {-90, TfrxHAlign::haLeft, "0.00 -1.00 1.00 0.00 77.84 661.51 Tm"},
    };
    for (const Case& c : cases) {
        TfrxMemoView memo;
        Place(memo, u"1000");
        memo.SetRotation(c.rotation);
        memo.HAlign = c.align;
        memo.Font().SetStyle(kFontUnderline);
        const std::string content = Write(memo);
        EXPECT_EQ(TdLines(content), c.position + "|") << c.rotation;
        // Underlined fonts are underlined only when not rotated.
        EXPECT_EQ(Has(content, "ET\r\n0 0 0 RG\r\n"), c.rotation == 0) << c.rotation;
    }
}

TEST_F(PdfTextWriter, TextColourAndUnderline) {
    const std::pair<int32_t, std::string> colours[] = {
        {0, "0 0 0"}, {0x0000FF, "1.00 0.00 0.00"}, {static_cast<int32_t>(kColorNone), "0 0 0"}};
    for (const auto& [colour, text] : colours) {
        TfrxMemoView memo;
        Place(memo, u"Hello");
        memo.Font().SetColor(colour);
        memo.Font().SetStyle(kFontUnderline);
        // "Hello" is 36.48 pixels wide; the rule lies 1.44 points below the
        // baseline, 0.96 points thick.
        EXPECT_EQ(Write(memo),
                  std::string(kClip) + "/F0 12 Tf\r\n" + text +
                      " rg\r\nBT\r\n77.84 661.51 Td\r\n<48656C6C6F> Tj\r\nET\r\n" + text +
                      " RG\r\n0.96 w\r\n77.84 660.07 m\r\n105.20 660.07 l\r\nS\r\nQ\r\n")
            << std::hex << colour;
    }
}

TEST_F(PdfTextWriter, UnderlinesRuleTheWholeBox) {
    TfrxMemoView memo;
    memo.Underlines = true;
    memo.Frame.SetColor(0x0000FF);
    // 40 / 18 = 2: three rules from 118 pixels down, 18 apart, edge to edge,
    // in the frame colour and width; then no text.
    std::string rules;
    for (const char* y : {"660.50", "647.00", "633.50"})
        rules += std::string("1.00 0.00 0.00 RG\r\n0.75 w\r\n75.50 ") + y + " m\r\n225.50 " + y +
                 " l\r\nS\r\n";
    Place(memo, u" ");
    EXPECT_EQ(Write(memo), std::string(kClip) + "/F0 12 Tf\r\n0 0 0 rg\r\n" + rules + "Q\r\n");
}

TEST_F(PdfTextWriter, TextIsWrittenInTheCodePageOfTheFontsCharacterSet) {
    struct Case {
        int charset;
        WideString text;
        std::string hex;
    };
    const Case cases[] = {
        {238, u"\u010D", "<E8>"},       // East European: c with caron
        {1, u"\u010D", "<E8>"},         // default: the system's code page (1250)
        {0, u"\u010D", "<3F>"},         // Western: not in 1252, the replacement "?"
        {204, u"\u0416", "<C6>"},       // Cyrillic
        {161, u"\u03A9", "<D9>"},       // Greek
        {2, u"\uF041A", "<4141>"},      // symbol: the low bytes
        {0, u"(a\\b)", "<28615C6229>"}, // no escaping needed in a hexadecimal string
    };
    for (const Case& c : cases) {
        TfrxMemoView memo;
        Place(memo, c.text);
        memo.Font().SetCharset(c.charset);
        EXPECT_TRUE(Has(Write(memo), "\r\n" + c.hex + " Tj\r\n")) << c.charset;
    }
}

TEST(PdfText, RightToLeftReordering) {
    const std::pair<WideString, WideString> cases[] = {
        {u"\u05D0\u05D1 123", u"123 \u05D1\u05D0"}, // digits read left to right
        {u"\u05D0 (\u05D1)", u"(\u05D1) \u05D0"},   // brackets mirrored
        {u"abc def", u"def abc"},
        {u"a[b", u"a]b"}, // mirrored, then the run turned back
        {u"", u""},
    };
    for (const auto& [line, written] : cases)
        EXPECT_EQ(ReorderRightToLeft(line), written) << WideToUtf8(line);
}

TEST_F(PdfTextWriter, RightToLeftMemoWritesTheReorderedLine) {
    TfrxMemoView memo;
    Place(memo, u"ab 12");
    memo.RTLReading = true;
    EXPECT_TRUE(Has(Write(memo), "<3132206162> Tj")); // "12 ab"
}

TEST(PdfText, BaseFontNames) {
    struct Case {
        AnsiString name;
        int style;
        std::string base;
    };
    const Case cases[] = {
        {"Arial", 0, "Arial"},
        {"Times New Roman", kFontBold, "Times#20New#20Roman,Bold"},
        {"Arial", kFontItalic, "Arial,Italic"},
        {"Courier New", kFontBold | kFontItalic, "Courier#20New,BoldItalic"},
        {"Arial", kFontUnderline | kFontStrikeOut, "Arial"},
        // U+00E9 has a low byte of 128 and above; U+010D (c with caron) has not
        // and is copied as it is.
        {WideToAnsi(u"Caf\u00E9"), 0, "Caf#E9"},
        {WideToAnsi(u"\u010Dn"), 0, "\xE8n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PdfBaseFontName(c.name, c.style), c.base) << c.name;
}

TEST_F(PdfTextWriter, FontsAreSharedByNameStyleAndCharacterSet) {
    for (int size : {10, 12}) {
        TfrxMemoView memo;
        Place(memo, u"x");
        memo.Font().SetName("Times New Roman");
        memo.Font().SetStyle(kFontBold);
        memo.Font().SetSize(size);
        EXPECT_TRUE(Has(Write(memo), "/F0 " + std::to_string(size) + " Tf\r\n"));
    }
    TfrxMemoView regular;
    Place(regular, u"x");
    EXPECT_TRUE(Has(Write(regular), "/F1 12 Tf\r\n"));
    const std::string file = Save();
    EXPECT_EQ(CountOf(file, "/Type /Font\r\n"), 2u);
    EXPECT_TRUE(Has(file, "4 0 obj\r\n<<\r\n/Type /Font\r\n/Name /F0\r\n"
                          "/BaseFont /Times#20New#20Roman,Bold\r\n/Subtype /TrueType\r\n"));
    EXPECT_TRUE(Has(file, "/FontDescriptor 5 0 R\r\n/FirstChar 32\r\n/LastChar 255\r\n"));
    EXPECT_TRUE(Has(file, "5 0 obj\r\n<<\r\n/Type /FontDescriptor\r\n"
                          "/FontName /Times#20New#20Roman,Bold\r\n/Flags 32\r\n/FontBBox ["));
    EXPECT_TRUE(Has(file, "/StemV 166\r\n")); // weight 700
    EXPECT_TRUE(Has(file, "/StemV 88\r\n"));  // weight 400
    EXPECT_TRUE(Has(file, "/Font <<\r\n/F0 4 0 R\r\n/F1 6 0 R\r\n>>"));
    // Arial's widths from the space on, one per code from 32 to 255.
    const size_t widths = file.find("/Widths [278 278 355 556 ");
    ASSERT_NE(widths, std::string::npos);
    const std::string array = file.substr(widths, file.find(']', widths) - widths);
    EXPECT_EQ(CountOf(array, " "), 224u + 1u);
    EXPECT_TRUE(Has(file, " ]\r\n>>\r\nendobj\r\n"));
}

TEST_F(PdfTextWriter, EncodingByRealisedCharacterSet) {
    struct Case {
        int charset;
        std::string encoding; // what follows "/Subtype /TrueType\r\n"
    };
    const Case cases[] = {
        {0, "/Encoding /WinAnsiEncoding\r\n/FontDescriptor"},
        {238, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding\r\n"
              "/Differences [128 /Euro 140 /Sacute /Tcaron /Zcaron /Zacute 156 /sacute"},
        {1, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding\r\n"
            "/Differences [128 /Euro 140 /Sacute"}, // the system's set: 238
        {255, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding\r\n"
              "/Differences [128 /Euro 140 /Sacute"}, // OEM counts as the system's set
        {204, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding\r\n"
              "/Differences [129 /afii10052/quotesinglbase"},
        {161, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding\r\n"
              "/Differences [ 128 /Euro 160 /quoteleft"},
        // A face without Japanese letters realises ANSI: a simple font.
        {128, "/Encoding /WinAnsiEncoding\r\n/FontDescriptor"},
        {77, "/FontDescriptor"}, // no encoding entry
    };
    for (const Case& c : cases) {
        TfrxPDFFile file(false, "");
        file.Compressed = false;
        file.PrepareSecurity();
        Page g;
        TfrxPDFPage& p = file.AddPage(g);
        TfrxMemoView memo;
        Place(memo, u"x");
        memo.Font().SetCharset(c.charset);
        p.AddObject(memo);
        std::ostringstream out;
        file.SaveToStream(out);
        EXPECT_TRUE(Has(out.str(), "/Subtype /TrueType\r\n" + c.encoding)) << c.charset;
    }
    // The Cyrillic differences close on a line of their own.
    EXPECT_TRUE(Has(PdfEncodingLines(204), "/afii10097/space]\r\n>>\r\n"));
    EXPECT_EQ(PdfEncodingLines(77), "");
    EXPECT_EQ(PdfEncodingLines(128), "/Encoding /90msp-RKSJ-H\r\n");
}

// The faces here have no East Asian letters, so these sets never realise
// by themselves; the test sets the realised set after preparing the font.
TEST_F(PdfTextWriter, CompositeFonts) {
    struct Case {
        int charset;
        WideString text;
        std::string hex;
        std::string type, flags, panose, lines;
    };
    const Case cases[] = {
        {128, u"\u3042", "<82A0>", "/Type /FontDescriptor\r\n", "/Flags 6",
         "<010502020400000000000000>",
         "/Encoding /90msp-RKSJ-H\r\n/DescendantFonts [5 0 R]\r\n>>\r\nendobj\r\n5 0 obj\r\n<<\r\n"
         "/Type /Font\r\n/Subtype\r\n/CIDFontType2\r\n/BaseFont /Arial\r\n/WinCharSet 80\r\n"
         "/FontDescriptor 6 0 R\r\n/CIDSystemInfo\r\n<<\r\n/Registry(Adobe)\r\n"
         "/Ordering(Japan1)\r\n/Supplement 2\r\n>>\r\n/DW 1000\r\n"
         "/W [ 1 95 500 231 632 500 ]\r\n>>\r\nendobj\r\n6 0 obj\r\n"},
        {129, u"\uAC00", "<B0A1>", "/Type /FontDescriptor \r\n", "/Flags 6",
         "<010502020400000000000000>", "/Ordering(Korea1)\r\n/Supplement 1\r\n"},
        {134, u"\u4E00", "<D2BB>", "/Type /FontDescriptor\r\n", "/Flags 6",
         "<010502020400000000000000>", "/W [ 1 95 500 814 939 500 7712 [ 500 ] 7716 [ 500 ] ]"},
        {136, u"\u4E00", "<A440>", "/Type /FontDescriptor\r\n", "/Flags 7",
         "<010502020300000000000000>", "/Encoding /ETenms-B5-H\r\n"},
    };
    for (const Case& c : cases) {
        for (bool embedded : {false, true}) {
            TfrxPDFFile file(false, "");
            file.Compressed = false;
            file.EmbeddedFonts = embedded;
            file.PrepareSecurity();
            Page g;
            TfrxPDFPage& p = file.AddPage(g);
            TfrxMemoView memo;
            Place(memo, c.text);
            memo.Font().SetCharset(c.charset);
            p.AddObject(memo);
            EXPECT_TRUE(Has(file.Cache().Read(0, file.Cache().Size()), c.hex + " Tj")) << c.charset;
            TfrxPDFFont& font = *file.Fonts().at(0);
            font.Prepare();
            font.RealizedCharset = c.charset;
            EXPECT_EQ(font.ObjectCount(), embedded ? 4 : 3);
            std::ostringstream out;
            file.SaveToStream(out);
            const std::string s = out.str();
            EXPECT_TRUE(Has(s, "/Name /F0\r\n/BaseFont /Arial\r\n/Subtype /Type0\r\n"))
                << c.charset;
            EXPECT_TRUE(Has(s, c.lines)) << c.charset;
            const std::string descriptor = "6 0 obj\r\n<<\r\n" + c.type +
                                           (embedded ? "/FontFile2 7 0 R\r\n" : "") +
                                           "/FontName /Arial\r\n" + c.flags + "\r\n/FontBBox [";
            EXPECT_TRUE(Has(s, descriptor)) << c.charset << " " << embedded;
            EXPECT_TRUE(Has(s, " ]\r\n/Style << /Panose " + c.panose + " >>\r\n/Ascent "));
            EXPECT_TRUE(Has(s, "\r\n/StemV 88\r\n/ItalicAngle 0\r\n>>\r\nendobj\r\n"));
            EXPECT_FALSE(Has(s, "/Widths"));
            // The page follows the font's objects.
            EXPECT_TRUE(Has(s, std::to_string(embedded ? 8 : 7) + " 0 obj\r\n<<\r\n/Type /Page"));
        }
    }
}

TEST_F(PdfTextWriter, EmbeddedFontFileAndOutlineDestinations) {
    // The outline destinations are numbered before the fonts are written:
    // they must count every font object.
    for (bool embedded : {false, true}) {
        TfrxPDFFile file(false, "");
        file.Compressed = false;
        file.EmbeddedFonts = embedded;
        OneItemOutline outline;
        file.Outline = true;
        file.PreparedOutline = &outline;
        file.PrepareSecurity();
        Page g;
        TfrxPDFPage& p = file.AddPage(g);
        TfrxMemoView memo;
        Place(memo, u"x");
        p.AddObject(memo);
        std::ostringstream out;
        file.SaveToStream(out);
        const std::string s = out.str();
        // 3 outline root, 4 item, 5 page tree, fonts from 6, then the page.
        const int pageObject = embedded ? 9 : 8;
        EXPECT_TRUE(Has(s, "/Dest [" + std::to_string(pageObject) + " 0 R ")) << embedded;
        EXPECT_TRUE(Has(s, std::to_string(pageObject) + " 0 obj\r\n<<\r\n/Type /Page\r\n"));
        EXPECT_EQ(Has(s, "/FontFile2 8 0 R\r\n>>\r\nendobj\r\n"), embedded);
        if (embedded) {
            FontService& fonts = FontService::Instance();
            const size_t size = fonts.RawFontData(fonts.Resolve("Arial", 0)).size();
            EXPECT_TRUE(Has(s, "8 0 obj\r\n<< /Length "));
            EXPECT_TRUE(Has(s, " /Filter /FlateDecode /Length1 " + std::to_string(size) +
                                   " >>\r\nstream\r\n"));
        }
    }
}

// A report page with a band of memos: Czech text, a right-aligned amount
// and a bold Times New Roman heading, prepared once and exported to files.
TEST(PdfTextExportRun, PreparedMemosComeOutAsText) {
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
    test::OneBandReport r;
    TfrxReport& report = r.report;
    TfrxBand* band = r.band;
    auto* czech = TfrxComponent::Create<TfrxMemoView>(band);
    czech->SetName("Memo1");
    czech->SetBounds(20, 80, 400, 24);
    czech->SetText(u"P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148");
    auto* amount = TfrxComponent::Create<TfrxMemoView>(band);
    amount->SetName("Memo2");
    amount->SetBounds(500, 80, 200, 24);
    amount->HAlign = TfrxHAlign::haRight;
    amount->SetText(u"12 345,00");
    auto* heading = TfrxComponent::Create<TfrxMemoView>(band);
    heading->SetName("Memo3");
    heading->SetBounds(20, 20, 400, 30);
    heading->Font().SetName("Times New Roman");
    heading->Font().SetStyle(kFontBold);
    heading->Font().SetSize(16);
    heading->SetText(u"Kupn\u00ED smlouva");

    TfrxPreviewPages& pages = r.Prepare();

    test::TempFolder dir("pdf-text-run");
    // Fonts by name; embedded; embedded in a protected file, where the font
    // file is encrypted too.
    struct Variant {
        bool embedded;
        AnsiString password;
        const char* file;
    };
    const Variant variants[] = {
        {false, "", "akt.pdf"}, {true, "", "embedded.pdf"}, {true, "heslo", "protected.pdf"}};
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.file);
        TfrxPDFExport pdf;
        pdf.ShowDialog = pdf.ShowProgress = false;
        pdf.EmbeddedFonts = v.embedded;
        pdf.UserPassword = v.password;
        pdf.FileName = (dir.Path() / v.file).string();
        ASSERT_TRUE(pages.ExportTo(pdf)) << report.ErrorText();
        EXPECT_TRUE(report.Errors.empty()) << report.ErrorText();

        std::vector<std::string> checkArgs = {"--check", pdf.FileName};
        std::vector<std::string> textArgs = {"-layout", pdf.FileName, "-"};
        std::vector<std::string> boxArgs = {"-bbox", pdf.FileName, "-"};
        if (!v.password.empty()) {
            checkArgs.insert(checkArgs.begin(), "--password=" + v.password);
            for (auto* args : {&textArgs, &boxArgs})
                args->insert(args->begin(), {"-upw", v.password});
        }
        auto check = test::RunProcess("/usr/bin/qpdf", checkArgs);
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        if (v.embedded) {
            auto fonts = test::RunProcess("/usr/bin/pdffonts", {"-upw", v.password, pdf.FileName});
            EXPECT_EQ(CountOf(fonts.out, " TrueType "), 2u) << fonts.out;
            EXPECT_EQ(CountOf(fonts.out, " yes no "), 2u) << fonts.out; // embedded, not subset
            // Arial is objects 4 to 6: its whole font file comes back.
            std::vector<std::string> showArgs = {"--show-object=6", "--filtered-stream-data",
                                                 pdf.FileName};
            if (!v.password.empty())
                showArgs.insert(showArgs.begin(), "--password=" + v.password);
            auto fontFile = test::RunProcess("/usr/bin/qpdf", showArgs);
            FontService& service = FontService::Instance();
            const std::vector<uint8_t>& raw = service.RawFontData(service.Resolve("Arial", 0));
            EXPECT_TRUE(fontFile.out == std::string(raw.begin(), raw.end()))
                << fontFile.out.size() << " bytes of " << raw.size() << fontFile.err;
        }
        auto text = test::RunProcess("/usr/bin/pdftotext", textArgs);
        ASSERT_EQ(text.exitCode, 0) << text.err;
        EXPECT_TRUE(
            Has(text.out, "P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148"))
            << text.out;
        EXPECT_TRUE(Has(text.out, "12 345,00")) << text.out;
        EXPECT_TRUE(Has(text.out, "Kupn\u00ED smlouva")) << text.out;

        // The amount ends at the memo's right edge less half the gap:
        // margin + 700 - 1 + 0.1 pixels.
        auto boxes = test::RunProcess("/usr/bin/pdftotext", boxArgs);
        ASSERT_EQ(boxes.exitCode, 0) << boxes.err;
        const size_t word = boxes.out.find(">345,00<");
        ASSERT_NE(word, std::string::npos) << boxes.out;
        const size_t xMax = boxes.out.rfind("xMax=\"", word);
        ASSERT_NE(xMax, std::string::npos);
        const double right = std::strtod(boxes.out.c_str() + xMax + 6, nullptr);
        const double expected =
            (r.page->LeftMargin * 96 / 25.4 + 699.1) * 0.75 + r.page->LeftMargin * 0.05;
        EXPECT_NEAR(right, expected, 1.0) << boxes.out;
    }
}

} // namespace
} // namespace kanvo
