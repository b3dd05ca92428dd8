#include "report/model/pages.h"

#include "platform/format_settings.h"
#include "report/model/bands.h"
#include "test_classes.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

class Pages : public ::testing::Test {
protected:
    void SetUp() override {
        test::RegisterTestClasses();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
    }
    void SetMargins(double l, double r, double t, double b) {
        page->LeftMargin = l;
        page->RightMargin = r;
        page->TopMargin = t;
        page->BottomMargin = b;
    }
    TfrxReport report;
    TfrxReportPage* page = nullptr;
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
};

TEST_F(Pages, NewPageIsA4Portrait) {
    EXPECT_DOUBLE_EQ(page->PaperWidth(), 210);
    EXPECT_DOUBLE_EQ(page->PaperHeight(), 297);
    EXPECT_EQ(page->PaperSize(), 9);
    EXPECT_DOUBLE_EQ(page->Width(), 794);
    EXPECT_DOUBLE_EQ(page->Height(), 1123);
    EXPECT_EQ(page->LeftMargin + page->RightMargin + page->TopMargin + page->BottomMargin, 0);
    EXPECT_EQ(page->Bin, 7);
    EXPECT_EQ(page->BinOtherPages, 7);
    // Width and height follow from the paper and are not written.
    std::string xml = test::SaveReport(report);
    auto at = xml.find("<TfrxReportPage");
    ASSERT_NE(at, std::string::npos);
    std::string line = xml.substr(at, xml.find('\n', at) - at);
    EXPECT_EQ(line.find(" Width="), std::string::npos) << line;
    EXPECT_EQ(line.find("Orientation"), std::string::npos) << line;
    EXPECT_NE(line.find("PaperWidth=\"210\" PaperHeight=\"297\" PaperSize=\"9\""),
              std::string::npos)
        << line;
}

TEST_F(Pages, OrientationTurnsPaperAndMarginsAndBack) {
    SetMargins(10, 5, 20, 15);
    page->SetOrientation(TPrinterOrientation::poLandscape);
    EXPECT_DOUBLE_EQ(page->PaperWidth(), 297);
    EXPECT_DOUBLE_EQ(page->PaperHeight(), 210);
    EXPECT_EQ(page->LeftMargin, 20);
    EXPECT_EQ(page->RightMargin, 15);
    EXPECT_EQ(page->TopMargin, 5);
    EXPECT_EQ(page->BottomMargin, 10);
    EXPECT_DOUBLE_EQ(page->Width(), 1123);
    page->SetOrientation(TPrinterOrientation::poLandscape); // no change
    EXPECT_EQ(page->LeftMargin, 20);
    page->SetOrientation(TPrinterOrientation::poPortrait);
    EXPECT_DOUBLE_EQ(page->PaperWidth(), 210);
    EXPECT_EQ(page->LeftMargin, 10);
    EXPECT_EQ(page->RightMargin, 5);
    EXPECT_EQ(page->TopMargin, 20);
    EXPECT_EQ(page->BottomMargin, 15);
}

TEST_F(Pages, PaperSizeFromTemplate) {
    struct Case {
        const char* attrs;
        double width, height;
        int size;
    } cases[] = {
        {"PaperWidth=\"100\" PaperHeight=\"100\" PaperSize=\"256\"", 100, 100, 256},
        {"PaperWidth=\"100\" PaperHeight=\"100\" PaperSize=\"9\"", 210, 297, 9},
        {"Orientation=\"poLandscape\" PaperWidth=\"297\" PaperHeight=\"210\" PaperSize=\"11\"", 210,
         148, 11},
        // A code the table lacks keeps the stored dimensions.
        {"PaperWidth=\"120\" PaperHeight=\"80\" PaperSize=\"49\"", 120, 80, 49},
        {"PaperWidth=\"210.123456789\" PaperHeight=\"297\" PaperSize=\"256\"", 210.12345679, 297,
         256},
    };
    for (const Case& c : cases) {
        std::string xml = std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n") +
                          "<TfrxReport><TfrxReportPage Name=\"Page1\" " + c.attrs +
                          "/></TfrxReport>";
        TfrxReport r;
        r.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        test::LoadReport(r, xml);
        auto* p = dynamic_cast<TfrxReportPage*>(r.FindObject("Page1"));
        ASSERT_NE(p, nullptr) << c.attrs;
        EXPECT_DOUBLE_EQ(p->PaperWidth(), c.width) << c.attrs;
        EXPECT_DOUBLE_EQ(p->PaperHeight(), c.height) << c.attrs;
        EXPECT_EQ(p->PaperSize(), c.size) << c.attrs;
    }
    page->SetPaperWidth(210.123456789);
    EXPECT_NE(test::SaveReport(report).find("PaperWidth=\"210.12345679\""), std::string::npos);
}

TEST_F(Pages, ColumnsSplitThePrintableWidth) {
    SetMargins(10, 10, 0, 0);
    page->SetColumns(2);
    EXPECT_DOUBLE_EQ(page->ColumnWidth, 95);
    EXPECT_EQ(page->ColumnPositions, (std::vector<AnsiString>{"0", "95"}));
    page->SetColumns(0);
    EXPECT_TRUE(page->ColumnPositions.empty());
    page->SetColumns(2000000000); // from a broken template: no runaway list
    EXPECT_EQ(page->Columns(), 2000000000);
    EXPECT_EQ(page->ColumnPositions.size(), 1000u);
}

TEST_F(Pages, AlignmentSizesBandsFromThePrintableArea) {
    SetMargins(10, 10, 10, 10);
    auto* title = TfrxComponent::Create<TfrxReportTitle>(page);
    auto* shifted = TfrxComponent::Create<TfrxMasterData>(page);
    shifted->SetLeft(18.1107);
    auto* vertical = TfrxComponent::Create<TfrxMasterData>(page);
    vertical->Vertical = true;
    vertical->SetTop(100);
    page->ApplyChildAlignment();
    EXPECT_NEAR(title->Width(), 718.1107, 1e-9);
    EXPECT_NEAR(shifted->Width(), 700, 1e-9);
    EXPECT_NEAR(vertical->Height(), 277 * kPixelsPerMm - 100, 1e-9);
    EXPECT_DOUBLE_EQ(page->Width(), 794); // back to the paper size
    EXPECT_DOUBLE_EQ(page->Height(), 1123);
}

TEST_F(Pages, ResetToPrinterDefaults) {
    page->SetOrientation(TPrinterOrientation::poLandscape);
    page->SetPaperSize(11);
    page->ResetToPrinterDefaults();
    EXPECT_EQ(page->Orientation(), TPrinterOrientation::poPortrait);
    EXPECT_EQ(page->PaperSize(), 9);
    EXPECT_DOUBLE_EQ(page->Width(), 794);
    EXPECT_EQ(page->LeftMargin, 10);
    EXPECT_EQ(page->BottomMargin, 10);
}

TEST_F(Pages, DialogPageIsStoredAndReadBack) {
    auto* dialog = TfrxComponent::Create<TfrxDialogPage>(&report);
    dialog->SetName("DialogPage1");
    dialog->Caption = "Zak\xE1zka"; // Windows-1250
    dialog->OnShow = "DialogPage1OnShow";
    std::string xml = test::SaveReport(report);
    TfrxReport copy;
    copy.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    test::LoadReport(copy, xml);
    EXPECT_EQ(copy.ErrorText(), "");
    auto* d = dynamic_cast<TfrxDialogPage*>(copy.FindObject("DialogPage1"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Caption, dialog->Caption);
    EXPECT_EQ(d->OnShow, "DialogPage1OnShow");
    EXPECT_EQ(d->Position, 4);
    auto element = [](const std::string& text) {
        auto at = text.find("<TfrxDialogPage");
        return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
    };
    EXPECT_FALSE(element(xml).empty());
    EXPECT_EQ(element(test::SaveReport(copy)), element(xml));
}

} // namespace
} // namespace kanvo
