// The hand-written sales contract template tests/fixtures/kanvo.fr3: what the
// reader makes of it, and that pruh writes it back unchanged.
#include "platform/format_settings.h"
#include "report/model/bands.h"
#include "report/model/dataset.h"
#include "report/model/pages.h"
#include "report/model/report.h"
#include "report/model/serializer.h"
#include "report/model/views.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace kanvo {
namespace {

std::filesystem::path FixturePath() {
    return std::filesystem::path(KANVO_TEST_FIXTURE_DIR) / "kanvo.fr3";
}

// The element names of the fixture, in file order, each once.
std::vector<std::string> ElementClasses(const std::string& text) {
    std::vector<std::string> classes;
    std::set<std::string> seen;
    const std::regex element("<(Tfrx[A-Za-z]+)");
    for (std::sregex_iterator it(text.begin(), text.end(), element), end; it != end; ++it)
        if (seen.insert((*it)[1]).second)
            classes.push_back((*it)[1]);
    return classes;
}

// pruh runs under the C locale: the fixture's floats have a decimal point.
const std::map<std::string, std::string> kCLocale = {{"LC_ALL", "C"}};

class KanvoTemplate : public ::testing::Test {
protected:
    void Load() {
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        ASSERT_TRUE(report.LoadFromFile(FixturePath().string(), true)) << FixturePath();
    }
    template <typename T>
    T* Find(const char* name) {
        auto* object = dynamic_cast<T*>(report.FindObject(name));
        EXPECT_NE(object, nullptr) << name;
        return object;
    }
    TfrxReport report;
};

TEST_F(KanvoTemplate, LoadsWithoutErrorsIntoTheContractTree) {
    Load();
    ASSERT_TRUE(report.Errors.empty()) << report.ErrorText();
    EXPECT_TRUE(report.EngineOptions.DoublePass); // for [TotalPages#]

    // The data page, then one A4 page with 10 mm margins and its bands in order.
    ASSERT_EQ(report.Objects().size(), 2u);
    EXPECT_EQ(report.Objects()[0]->ClassName(), "TfrxDataPage");
    auto* page = Find<TfrxReportPage>("Page1");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->PaperSize(), 9);
    EXPECT_EQ(page->PaperWidth(), 210);
    EXPECT_EQ(page->PaperHeight(), 297);
    for (double margin : {page->LeftMargin, page->RightMargin, page->TopMargin, page->BottomMargin})
        EXPECT_EQ(margin, 10);
    const std::vector<std::pair<AnsiString, AnsiString>> bands = {
        {"TfrxReportTitle", "ReportTitle1"},     {"TfrxPageHeader", "PageHeader1"},
        {"TfrxMasterData", "MasterData1"},       {"TfrxGroupHeader", "GroupHeader1"},
        {"TfrxDetailData", "DetailData1"},       {"TfrxGroupFooter", "GroupFooter1"},
        {"TfrxReportSummary", "ReportSummary1"}, {"TfrxPageFooter", "PageFooter1"}};
    ASSERT_EQ(page->Objects().size(), bands.size());
    for (size_t i = 0; i < bands.size(); ++i) {
        EXPECT_EQ(page->Objects()[i]->ClassName(), bands[i].first) << i;
        EXPECT_EQ(page->Objects()[i]->Name(), bands[i].second) << i;
    }

    // The two data sources: the company (master) and the order rows (detail).
    ASSERT_EQ(report.DataSets.Count(), 2);
    EXPECT_EQ(report.DataSets.Items(0).DataSetName(), "frxDBDataset1");
    EXPECT_EQ(report.DataSets.Items(1).DataSetName(), "frxDBDataset2");
    auto* master = Find<TfrxMasterData>("MasterData1");
    auto* detail = Find<TfrxDetailData>("DetailData1");
    ASSERT_TRUE(master && detail);
    EXPECT_EQ(master->DataSetName(), "frxDBDataset1");
    EXPECT_EQ(detail->DataSetName(), "frxDBDataset2");
    auto* group = Find<TfrxGroupHeader>("GroupHeader1");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Condition, "frxDBDataset2.\"datum\"");

    // Variables are read back as strings; the style is there by name.
    EXPECT_EQ(report.Variables.Get("Mesto").ToAnsi(), "'Brno'");
    EXPECT_EQ(report.Variables.Get("Splatnost").ToAnsi(), "14");
    const TfrxStyleItem* style = report.Styles.Find("nadpis");
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->Font.Name(), "Times New Roman");
}

TEST_F(KanvoTemplate, MemoTextsFontsFramesAndFormats) {
    Load();
    struct Text {
        const char* memo;
        std::vector<WideString> lines;
    };
    const Text texts[] = {
        {"Nazev", {u"KUPNÍ SMLOUVA"}},
        {"Uvod",
         {u"uzavřená podle § 2079 a násl. zákona č. 89/2012 Sb., občanského zákoníku,",
          u"mezi těmito smluvními stranami:"}},
        {"Hlavicka",
         {u"Kupní smlouva č. [frxDBDataset2.\"dispozice\"] – [frxDBDataset1.\"nazevpodni\"]"}},
        {"KupujiciAdresa",
         {u"[frxDBDataset1.\"ulice\"]", u"[frxDBDataset1.\"psc\"] [frxDBDataset1.\"sidlo\"]",
          u"IČO: [frxDBDataset1.\"ico\"], DIČ: [frxDBDataset1.\"dic\"]"}},
        {"Celkem",
         {u"Celkem: [FormatFloat('#,##0.00', SUM(<frxDBDataset2.\"cena\">, DetailData1))] Kč"}},
        {"Strana", {u"Strana [Page#] z [TotalPages#]"}},
    };
    for (const Text& t : texts) {
        auto* memo = Find<TfrxCustomMemoView>(t.memo);
        ASSERT_NE(memo, nullptr);
        EXPECT_EQ(memo->Memo, t.lines) << t.memo;
    }
    EXPECT_NE(Find<TfrxSysMemoView>("Strana"), nullptr);

    // The title takes the style's bold Times New Roman.
    auto* title = Find<TfrxMemoView>("Nazev");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->Style(), "Nadpis");
    EXPECT_FALSE(title->ParentFont());
    EXPECT_EQ(title->Font().Name(), "Times New Roman");
    EXPECT_EQ(title->Font().Style(), 1);
    EXPECT_EQ(title->Font().Charset(), 238);
    EXPECT_EQ(title->HAlign, TfrxHAlign::haCenter);
    auto* buyer = Find<TfrxMemoView>("Kupujici");
    ASSERT_NE(buyer, nullptr);
    EXPECT_EQ(buyer->DataField, "nazevpodni");
    EXPECT_EQ(buyer->DataSetName(), "frxDBDataset1");
    EXPECT_EQ(buyer->Font().Name(), "Arial");

    // The total: top and bottom lines 0.5 wide, the bottom one double and 2 wide.
    auto* total = Find<TfrxMemoView>("Celkem");
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->Frame.Typ, ftTop | ftBottom);
    EXPECT_EQ(total->Frame.Width(), 0.5);
    EXPECT_EQ(total->Frame.TopLine.Width, 0.5);
    EXPECT_EQ(total->Frame.TopLine.Style, TfrxFrameStyle::fsSolid);
    EXPECT_EQ(total->Frame.BottomLine.Width, 2);
    EXPECT_EQ(total->Frame.BottomLine.Style, TfrxFrameStyle::fsDouble);
    EXPECT_EQ(total->HAlign, TfrxHAlign::haRight);

    auto* price = Find<TfrxMemoView>("Cena");
    ASSERT_NE(price, nullptr);
    EXPECT_EQ(price->DisplayFormat.Kind, TfrxFormatKind::fkNumeric);
    EXPECT_EQ(price->DisplayFormat.FormatStr, "%2.2n");
    EXPECT_EQ(price->DisplayFormat.DecimalSeparator, ",");
    EXPECT_EQ(price->Highlight.Condition, "<frxDBDataset2.\"cena\"> > 10000");
    EXPECT_EQ(price->Highlight.Font.Style(), 1);
    EXPECT_EQ(price->Highlight.Font.Color(), 255);
    EXPECT_EQ(price->Highlight.Color, 13434879);
    EXPECT_EQ(price->StretchMode, TfrxStretchMode::smMaxHeight);
    auto* date = Find<TfrxMemoView>("Dodavka");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->DisplayFormat.Kind, TfrxFormatKind::fkDateTime);
    EXPECT_EQ(date->DisplayFormat.FormatStr, "dd.mm.yyyy");

    auto* box = Find<TfrxShapeView>("Ramecek");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Shape, TfrxShapeKind::skRoundRectangle);
    EXPECT_EQ(box->Frame.Color(), 8421504);
    auto* line = Find<TfrxLineView>("PodpisKupujici");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->Frame.Typ, ftTop);
    EXPECT_EQ(line->Frame.Style(), TfrxFrameStyle::fsDot);
}

TEST_F(KanvoTemplate, PicturesHoldABitmapAndAJpeg) {
    Load();
    struct Case {
        const char* view;
        const char* className;
        TGraphicKind kind;
        int width, height;
        size_t fileSize;
        std::string head, tail;
    };
    // Bitmap rows are stored bottom-up: the file ends with the top row's white dot.
    const Case cases[] = {
        {"Picture1", "TBitmap", TGraphicKind::Bitmap, 4, 2, 78, "BM", "\xFF\xFF\xFF"},
        {"Picture2", "TJPEGImage", TGraphicKind::Jpeg, 8, 8, 336, "\xFF\xD8\xFF\xE0", "\xFF\xD9"},
    };
    for (const Case& c : cases) {
        auto* view = Find<TfrxPictureView>(c.view);
        ASSERT_NE(view, nullptr);
        const TGraphic* graphic = view->Picture.Graphic();
        ASSERT_NE(graphic, nullptr) << c.view;
        EXPECT_EQ(graphic->ClassName(), c.className);
        EXPECT_EQ(graphic->Kind(), c.kind) << c.view;
        EXPECT_EQ(view->Picture.Width(), c.width) << c.view;
        EXPECT_EQ(view->Picture.Height(), c.height) << c.view;
        const std::string& bytes = graphic->FileBytes();
        ASSERT_EQ(bytes.size(), c.fileSize) << c.view;
        EXPECT_EQ(bytes.substr(0, c.head.size()), c.head) << c.view;
        EXPECT_EQ(bytes.substr(bytes.size() - c.tail.size()), c.tail) << c.view;
    }
}

// With the host's two data sources the references resolve, and a save writes
// the template back unchanged.
TEST_F(KanvoTemplate, HostDataSourcesLinkByName) {
    TfrxDBDataset company, order;
    company.Rename("frxDBDataset1");
    order.Rename("frxDBDataset2");
    report.AddHostComponent(&company);
    report.AddHostComponent(&order);
    Load();
    ASSERT_TRUE(report.Errors.empty()) << report.ErrorText();
    ASSERT_EQ(report.DataSets.Count(), 2);
    EXPECT_EQ(report.DataSets.Items(0).DataSet.Get(), &company);
    EXPECT_EQ(report.DataSets.Items(1).DataSet.Get(), &order);
    EXPECT_EQ(report.GetDataset("frxDBDataset2"), &order);
    auto* master = Find<TfrxMasterData>("MasterData1");
    auto* detail = Find<TfrxDetailData>("DetailData1");
    ASSERT_TRUE(master && detail);
    EXPECT_EQ(master->DataSet.Get(), &company);
    EXPECT_EQ(detail->DataSet.Get(), &order);

    test::TempFolder dir("kanvo-template-host");
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simMessageBoxes; // the test's own choice
    {
        ScopedFormatSettings point{FormatSettings::ForLocale("C")};
        report.SaveToFile((dir.Path() / "saved.fr3").string());
    }
    EXPECT_EQ(test::ReadFile(dir.Path() / "saved.fr3"), test::ReadFile(FixturePath()));
}

TEST(KanvoTemplatePruh, TemplateCopyWritesItBackByteForByte) {
    test::TempFolder dir("kanvo-template-copy");
    auto out = dir.Path() / "copy.fr3";
    auto r = test::RunProcess(test::BinaryPath("pruh"),
                              {"template-copy", FixturePath().string(), out.string()}, kCLocale);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string original = test::ReadFile(FixturePath());
    const std::string copy = test::ReadFile(out);
    if (copy != original) {
        size_t i = 0;
        while (i < copy.size() && i < original.size() && copy[i] == original[i])
            ++i;
        ADD_FAILURE() << "first difference at byte " << i
                      << ":\n  fixture: " << original.substr(i > 40 ? i - 40 : 0, 120)
                      << "\n  copy:    " << copy.substr(i > 40 ? i - 40 : 0, 120);
    }
}

TEST(KanvoTemplatePruh, TemplateTreeShowsEveryClass) {
    auto r = test::RunProcess(test::BinaryPath("pruh"), {"template-tree", FixturePath().string()},
                              kCLocale);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string fixture = test::ReadFile(FixturePath());
    const std::vector<std::string> classes = ElementClasses(fixture);
    ASSERT_GE(classes.size(), 16u); // the fixture uses sixteen classes
    // One output line per element; each line starts with its class name.
    std::set<std::string> shown;
    size_t lines = 0;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line); ++lines) {
        std::istringstream words(line);
        std::string cls;
        words >> cls;
        shown.insert(cls);
    }
    for (const std::string& cls : classes)
        EXPECT_TRUE(shown.count(cls)) << cls << " missing from:\n" << r.out;
    const std::regex element("<Tfrx");
    EXPECT_EQ(lines, static_cast<size_t>(std::distance(
                         std::sregex_iterator(fixture.begin(), fixture.end(), element),
                         std::sregex_iterator())));
}

} // namespace
} // namespace kanvo
