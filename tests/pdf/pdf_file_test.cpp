#include "pdf/md5.h"
#include "pdf/pdf_export.h"
#include "pdf/pdf_file.h"
#include "pdf/rc4.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "platform/format_settings.h"
#include "report/model/report.h"

#include "tests/pdf/pdf_test_report.h"

#include <gtest/gtest.h>
#include <sstream>

namespace kanvo {
namespace {

using test::Page;

struct FlatOutline : IPdfExportOutline {
    std::vector<std::pair<std::string, int>> items; // text, page index
    int level = 0;
    int Count() const override { return level == 0 ? static_cast<int>(items.size()) : 0; }
    void GetItem(int index, WideString& text, int& page, int& top) const override {
        text = std::u16string(items[static_cast<size_t>(index)].first.begin(),
                              items[static_cast<size_t>(index)].first.end());
        page = items[static_cast<size_t>(index)].second;
        top = 40;
    }
    void LevelDown(int) override { ++level; }
    void LevelUp() override { --level; }
    void LevelRoot() override { level = 0; }
};

std::unique_ptr<TfrxPDFFile> NewWriter() {
    auto pdf = std::make_unique<TfrxPDFFile>(false, "");
    pdf->FixedDate = EncodeDate(2024, 5, 6) + EncodeTime(7, 8, 9, 0);
    pdf->FixedGuid = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
    return pdf;
}

std::string Save(TfrxPDFFile& pdf) {
    pdf.PrepareSecurity();
    std::ostringstream out;
    pdf.SaveToStream(out);
    return out.str();
}

bool Has(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

TEST(PdfFormat, NumbersHaveTwoDecimalsWhateverTheLocale) {
    const std::pair<double, const char*> cases[] = {{595.275, "595.28"}, {0.75, "0.75"},
                                                    {-3, "-3.00"},       {0, "0.00"},
                                                    {-0.004, "0.00"},    {1e6, "1000000.00"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatNumber(value), text);
    EXPECT_EQ(EscapeLiteral(std::string("a\nb\r(c)\\\0\xFF", 11)),
              std::string("a\\nb\\r\\(c\\)\\\\\0\xFF", 16));
}

TEST(PdfFile, DocumentWithoutPagesIsByteExact) {
    auto pdf = NewWriter();
    std::string file = Save(*pdf);
    std::string id = MD5String("{01234567-89AB-CDEF-0123-456789ABCDEF}");
    const std::string expected =
        "%PDF-1.5\r\n%\xE2\xE3\xCF\xD3\r\n"
        "1 0 obj\r\n<<\r\n/Type /Catalog\r\n/Pages 3 0 R\r\n/PageMode /UseNone\r\n"
        "/ViewerPreferences <<\r\n/PrintScaling /None\r\n>>\r\n>>\r\nendobj\r\n"
        "2 0 obj\r\n<<\r\n/Title <FEFF>\r\n/Author <FEFF>\r\n/Subject <FEFF>\r\n/Keywords "
        "<FEFF>\r\n"
        "/Creator <FEFF>\r\n/Producer <FEFF>\r\n/CreationDate (D:20240506070809)\r\n"
        "/ModDate (D:20240506070809)\r\n>>\r\nendobj\r\n"
        "3 0 obj\r\n<<\r\n/Type /Pages\r\n/Kids []\r\n/Count 0\r\n>>\r\nendobj\r\n"
        "xref\r\n0 4\r\n0000000000 65535 f\r\n0000000017 00000 n\r\n0000000140 00000 n\r\n"
        "0000000329 00000 n\r\ntrailer\r\n<<\r\n/Size 4\r\n/Root 1 0 R\r\n/Info 2 0 R\r\n/ID [<" +
        id + "><" + id + ">]\r\n>>\r\nstartxref\r\n388\r\n%%EOF\r\n";
    EXPECT_EQ(file, expected);
}

TEST(PdfFile, OffsetsCountFromTheStartOfACallerStream) {
    auto pdf = NewWriter();
    pdf->PrepareSecurity();
    std::ostringstream out;
    out << "JUNK";
    pdf->SaveToStream(out);
    EXPECT_TRUE(Has(out.str(), "0000000021 00000 n\r\n"));
}

TEST(PdfFile, OutlineWithoutIncludedItemIsSwitchedOff) {
    for (bool withRange : {false, true}) {
        auto pdf = NewWriter();
        FlatOutline outline;
        if (withRange)
            outline.items = {{"A", 1}};
        pdf->Outline = true;
        pdf->PreparedOutline = &outline;
        pdf->PageNumbers = withRange ? "1" : "";
        pdf->TotalPages = 2;
        Page page;
        pdf->AddPage(page);
        std::string file = Save(*pdf);
        EXPECT_TRUE(Has(file, "/PageMode /UseNone\r\n"));
        EXPECT_FALSE(Has(file, "/Outlines "));
        EXPECT_TRUE(Has(file, "/Pages 3 0 R"));
    }
}

TEST(PdfFile, OutlineItemsPointAtTheirPages) {
    auto pdf = NewWriter();
    FlatOutline outline;
    outline.items = {{"A", 0}, {"B", 1}};
    pdf->Outline = true;
    pdf->PreparedOutline = &outline;
    Page page;
    pdf->AddPage(page);
    pdf->AddPage(page);
    std::string file = Save(*pdf);
    EXPECT_TRUE(Has(file, "/PageMode /UseOutlines\r\n/Outlines 3 0 R\r\n"));
    EXPECT_TRUE(Has(file, "3 0 obj\r\n<<\r\n/Count 2\r\n/First 4 0 R\r\n/Last 5 0 R\r\n"));
    // Page tree 6, pages 7 and 9; Y = 750 - 40 * 0.75.
    EXPECT_TRUE(Has(file, "/Next 5 0 R\r\n/Dest [7 0 R /XYZ 0 720 0]"));
    EXPECT_TRUE(Has(file, "/Prev 4 0 R\r\n/Dest [9 0 R /XYZ 0 720 0]"));
    EXPECT_TRUE(Has(file, "/Kids [7 0 R 9 0 R ]"));
}

TEST(PdfFile, TitleDecidesDisplayDocTitle) {
    auto pdf = NewWriter();
    pdf->Title = "Smlouva";
    std::string file = Save(*pdf);
    EXPECT_TRUE(Has(file, "/DisplayDocTitle true"));
    EXPECT_TRUE(Has(file, "/Title <FEFF0053006D006C006F007500760061>"));
    auto empty = NewWriter();
    EXPECT_FALSE(Has(Save(*empty), "/DisplayDocTitle"));
}

TEST(PdfFile, IdentifiersDifferPerDocumentAndRepeatInTheTrailer) {
    TfrxPDFFile a(false, ""), b(false, "");
    std::string fa = Save(a), fb = Save(b);
    EXPECT_NE(a.FileID, b.FileID);
    EXPECT_TRUE(Has(fa, "/ID [<" + a.FileID + "><" + a.FileID + ">]"));
    EXPECT_EQ(a.FileID.size(), 32u);
}

TEST(PdfFile, FontsTakeTheirPlaceInTheNumbering) {
    auto pdf = NewWriter();
    Page page;
    pdf->AddPage(page);
    EXPECT_EQ(pdf->FontIndex({"Arial", 10, 0, 238, 0}), 0);
    EXPECT_EQ(pdf->FontIndex({"Arial", 24, 0, 238, 0}), 0);
    EXPECT_EQ(pdf->FontIndex({"Arial", 10, 4, 238, 0}), 1);
    std::string file = Save(*pdf);
    EXPECT_TRUE(Has(file, "4 0 obj\r\n<<\r\n/Type /Font\r\n/Name /F0\r\n"));
    // Each simple font is its dictionary and its descriptor.
    EXPECT_TRUE(Has(file, "/Font <<\r\n/F0 4 0 R\r\n/F1 6 0 R\r\n>>"));
    EXPECT_TRUE(Has(file, "8 0 obj\r\n<<\r\n/Type /Page\r\n/Parent 3 0 R\r\n"));
    EXPECT_TRUE(Has(file, "/MediaBox [0 0 600.00 750.00 ]"));
}

TEST(PdfFile, ContentStreamsAreDeflatedOrCopied) {
    for (bool compressed : {true, false}) {
        auto pdf = NewWriter();
        pdf->Compressed = compressed;
        Page page;
        pdf->AddPage(page).WriteLine("0 0 m");
        std::string file = Save(*pdf);
        if (compressed) {
            EXPECT_TRUE(Has(file, "/Length1 7 >>\r\nstream\r\n"));
        } else {
            EXPECT_TRUE(
                Has(file, "5 0 obj\r\n<< /Length 7 >>\r\nstream\r\n0 0 m\r\nendstream\r\n"));
        }
    }
}

TEST(PdfProtection, PermissionValue) {
    TfrxPDFFile pdf(false, "");
    const std::pair<TfrxPDFEncBits, int> cases[] = {
        {kAllPdfEncBits, -4}, {0, -64}, {ePrint, -60}, {eCopy | eAnnot, -16}};
    for (const auto& [flags, p] : cases) {
        pdf.SetProtectionFlags(flags);
        EXPECT_EQ(pdf.PValue, p);
    }
}

TEST(PdfProtection, FlagsAloneNeverProtect) {
    auto pdf = NewWriter();
    pdf->SetProtectionFlags(0);
    std::string file = Save(*pdf);
    EXPECT_FALSE(pdf->Protection);
    EXPECT_FALSE(Has(file, "/Encrypt"));
}

TEST(PdfProtection, ObjectKeyAndEncryptedStreamOfObject7) {
    auto plain = NewWriter();
    auto locked = NewWriter();
    locked->UserPassword = "u";
    Page page;
    for (auto* pdf : {plain.get(), locked.get()}) {
        pdf->Compressed = false;
        pdf->AddPage(page).WriteLine("1 0 0 RG");
        pdf->AddPage(page).WriteLine("0 0 m 10 10 l S");
    }
    std::string a = Save(*plain), b = Save(*locked);
    std::string key = locked->EncKey + std::string("\x07\0\0\0\0", 5);
    Md5Digest digest = MD5Buffer(key);
    EXPECT_EQ(locked->ObjectKey(7), std::string(reinterpret_cast<const char*>(digest.data()), 16));
    std::string head = "7 0 obj\r\n<< /Length 17 >>\r\nstream\r\n";
    ASSERT_TRUE(Has(a, head));
    ASSERT_TRUE(Has(b, head));
    std::string data = b.substr(b.find(head) + head.size(), 17);
    EXPECT_EQ(RC4Crypt(locked->ObjectKey(7), data), "0 0 m 10 10 l S\r\n");
    EXPECT_TRUE(
        Has(b, "/Encrypt <<\r\n/Filter /Standard\r\n/V 2\r\n/R 3\r\n/Length 128\r\n/P -4\r\n/O ("));
    EXPECT_FALSE(Has(b, "<FEFF"));
    EXPECT_FALSE(Has(b, "(D:2024"));
}

TEST(PdfProtection, OnlyOneOfThePasswords) {
    // With only a user password the owner value is made from the user password;
    // with only an owner password the padded user password is the padding.
    auto user = NewWriter();
    user->UserPassword = "secret";
    Save(*user);
    auto both = NewWriter();
    both->UserPassword = "secret";
    both->OwnerPassword = "secret";
    Save(*both);
    EXPECT_TRUE(user->Protection);
    EXPECT_EQ(user->OValue, both->OValue);
    EXPECT_EQ(user->EncKey, both->EncKey);

    auto owner = NewWriter();
    owner->OwnerPassword = "boss";
    Save(*owner);
    auto emptyUser = NewWriter();
    emptyUser->OwnerPassword = "boss";
    emptyUser->UserPassword = std::string();
    Save(*emptyUser);
    EXPECT_TRUE(owner->Protection);
    EXPECT_EQ(owner->OValue.size(), 32u);
    EXPECT_EQ(owner->UValue.size(), 32u);
    EXPECT_EQ(owner->UValue.substr(16), std::string(16, '\0'));
    EXPECT_NE(owner->OValue, user->OValue);
}

TEST(PdfExport, FileNameRules) {
    TfrxPDFExport pdf;
    EXPECT_EQ(pdf.FilterTitle(), "Soubor PDF");
    EXPECT_EQ(pdf.DefaultExt, ".pdf");
    EXPECT_EQ(std::string(pdf.Author.begin(), pdf.Author.end()), "Pruh");
    EXPECT_FALSE(pdf.BeginExport()); // no file name, no stream
    EXPECT_TRUE(HasFolderPart("out/akt.pdf"));
    EXPECT_TRUE(HasFolderPart("C:\\out\\akt.pdf"));
    EXPECT_FALSE(HasFolderPart("akt.pdf"));
    std::ostringstream out;
    pdf.Stream = &out;
    pdf.FileName = "akt.pdf";
    pdf.DefaultPath = "/srv/out";
    ASSERT_TRUE(pdf.BeginExport());
    EXPECT_EQ(pdf.FileName, "/srv/out/akt.pdf");
    pdf.EndExport();
    EXPECT_TRUE(Has(out.str(), "%%EOF"));
    EXPECT_EQ(pdf.Writer(), nullptr);
}

TEST(PdfExport, UnwritableFileGoesThroughSilentMode) {
    RegisterReportModelClasses();
    std::vector<std::string> boxes;
    SetReportErrorBox([&](const AnsiString& caption, const AnsiString& text) {
        boxes.push_back(caption + ": " + text);
    });
    for (auto mode :
         {TfrxSilentMode::simSilent, TfrxSilentMode::simMessageBoxes, TfrxSilentMode::simReThrow}) {
        boxes.clear();
        TfrxReport report;
        report.EngineOptions.NewSilentMode = mode;
        report.AddError("earlier");
        TfrxPDFExport pdf;
        pdf.Report = &report;
        pdf.FileName = "/nonexistent-folder-kanvo/akt.pdf";
        ASSERT_TRUE(pdf.BeginExport());
        if (mode == TfrxSilentMode::simReThrow) {
            EXPECT_THROW(pdf.EndExport(), Exception);
        } else {
            pdf.EndExport();
            if (mode == TfrxSilentMode::simSilent) {
                ASSERT_EQ(report.Errors.size(), 2u);
                EXPECT_TRUE(Has(*report.Errors.begin(),
                                "Cannot create file \"/nonexistent-folder-kanvo/akt.pdf\""));
                EXPECT_TRUE(boxes.empty());
            } else {
                // One box with this error alone; the error list stays as it was.
                ASSERT_EQ(boxes.size(), 1u);
                EXPECT_EQ(boxes[0].substr(0, 7), "Chyba: ");
                EXPECT_TRUE(Has(boxes[0], "Cannot create file"));
                EXPECT_FALSE(Has(boxes[0], "earlier"));
                EXPECT_EQ(report.Errors, std::set<AnsiString>{"earlier"});
                EXPECT_EQ(report.EngineOptions.NewSilentMode, mode);
            }
        }
        EXPECT_TRUE(pdf.FileNames.empty());
        EXPECT_EQ(pdf.Writer(), nullptr);
    }
    SetReportErrorBox(nullptr);
}

} // namespace
} // namespace kanvo
