#include "report/engine/prepared_pages.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/format_settings.h"
#include "report/model/bands.h"
#include "report/model/serializer.h"
#include "report/model/stream.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

// A report page with a title and a data band of two memos and a picture,
// registered as the source of the prepared pages.
class PreparedPages : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterReportModelClasses();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
        title = TfrxComponent::Create<TfrxReportTitle>(page);
        title->SetName("ReportTitle1");
        title->SetBounds(0, 0, 718, 40);
        band = TfrxComponent::Create<TfrxMasterData>(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 60, 718, 20);
        name = TfrxComponent::Create<TfrxMemoView>(band);
        name->SetName("Memo1");
        name->SetBounds(0, 0, 300, 20);
        name->SetText(u"[Name]");
        name->DataField = "nazev";
        price = TfrxComponent::Create<TfrxMemoView>(band);
        price->SetName("Memo2");
        price->SetBounds(300, 0, 100, 20);
        price->HAlign = TfrxHAlign::haRight;
        logo = TfrxComponent::Create<TfrxPictureView>(title);
        logo->SetName("Picture1");
        logo->SetBounds(0, 0, 40, 40);
        store.Engine = &run;
        store.BeginRun();
        store.RegisterSourcePage(*page);
    }
    // Prints the data band once with this text at this top.
    void PutRow(const WideString& text, double top) {
        band->SetTop(top);
        name->SetText(text);
        store.PutObject(*band);
    }
    TfrxReport report;
    TfrxReportPage* page = nullptr;
    TfrxBand* title = nullptr;
    TfrxBand* band = nullptr;
    TfrxMemoView *name = nullptr, *price = nullptr;
    TfrxPictureView* logo = nullptr;
    TfrxRunState run{true, true, false, 0, 0};
    TfrxPreviewPages store{&report};
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
};

TEST(Dictionary, UniqueNamesPerPrefix) {
    TfrxDictionary d;
    EXPECT_EQ(d.AddUnique("m", "Page0.Memo1", nullptr), "m1");
    EXPECT_EQ(d.AddUnique("m", "Page0.Memo2", nullptr), "m2");
    EXPECT_EQ(d.AddUnique("b", "Page0.MasterData1", nullptr), "b1");
    for (int i = 3; i <= 100; ++i)
        d.AddUnique("m", "x", nullptr);
    EXPECT_EQ(d.AddUnique("m", "x", nullptr), "m101");
    EXPECT_EQ(d.GetSourceName("m2"), "Page0.Memo2");
    EXPECT_EQ(d.GetObject("zz"), nullptr);
}

TEST_F(PreparedPages, SourcePageCopiesEveryKeptObject) {
    ASSERT_EQ(store.SourcePageCount(), 1);
    TfrxReportPage& copy = store.SourcePage(0);
    EXPECT_EQ(page->SourceLink.Get(), &copy);
    ASSERT_EQ(copy.Objects().size(), 2u);
    EXPECT_EQ(store.Dictionary().Count(), 5); // two bands, two memos, a picture
    EXPECT_EQ(name->PreparedName, "m1");
    EXPECT_EQ(price->PreparedName, "m2");
    EXPECT_EQ(title->PreparedName, "b1");
    EXPECT_EQ(band->PreparedName, "b2");
    EXPECT_EQ(logo->PreparedName, "p1");
    EXPECT_EQ(store.Dictionary().GetSourceName("m2"), "Page0.Memo2");

    auto* memoCopy = dynamic_cast<TfrxMemoView*>(name->SourceLink.Get());
    ASSERT_NE(memoCopy, nullptr);
    EXPECT_EQ(memoCopy->SourceLink.Get(), name);
    EXPECT_EQ(memoCopy->Name(), "Memo1");
    EXPECT_TRUE(memoCopy->DataField.empty()); // a copy reads no data
    EXPECT_EQ(memoCopy->Text(), u"[Name]\r\n");
    EXPECT_EQ(memoCopy->BaseText.substr(0, 13), "TfrxMemoView ");
    EXPECT_NE(memoCopy->BaseText.find(" Text=\"[Name]\""), AnsiString::npos);
}

TEST_F(PreparedPages, HundredRowsAreSmallDifferencesThatRebuildAsPrinted) {
    int printed = 0;
    for (int p = 0; p < 3; ++p) {
        store.OpenPage(*page);
        for (int r = 0; r < 40 && printed < 100; ++r, ++printed)
            PutRow(u"Řádek " + AnsiToWide(std::to_string(printed)), 60 + r * 20);
    }
    ASSERT_EQ(store.Count(), 3);
    TfrxXMLItem& first = *store.PageItem(0);
    ASSERT_EQ(first.Count(), 40);
    const TfrxXMLItem& row = *first.Items(5);
    EXPECT_EQ(row.Name, "b2");
    ASSERT_EQ(row.Count(), 2);
    EXPECT_EQ(row.Items(0)->Name, "m1");
    // Only what differs from the source copy: the top and the text.
    EXPECT_EQ(row.Text, " t=\"160\"");
    EXPECT_EQ(row.Items(0)->Text, " u=\"" + EscapeText(WideToUtf8(u"Řádek 5")) + "\"");
    EXPECT_EQ(row.Items(1)->Text, " u=\"\"");

    run.Running = false;
    TfrxReportPage* built = store.BuildPage(2);
    ASSERT_NE(built, nullptr);
    ASSERT_EQ(built->Objects().size(), 20u);
    auto* lastBand = dynamic_cast<TfrxMasterData*>(built->Objects().back());
    ASSERT_NE(lastBand, nullptr);
    EXPECT_EQ(lastBand->Name(), "MasterData1");
    EXPECT_DOUBLE_EQ(lastBand->Top(), 60 + 19 * 20);
    EXPECT_DOUBLE_EQ(lastBand->Height(), 20);
    ASSERT_EQ(lastBand->Objects().size(), 2u);
    auto* memo = dynamic_cast<TfrxMemoView*>(lastBand->Objects()[0]);
    auto* right = dynamic_cast<TfrxMemoView*>(lastBand->Objects()[1]);
    ASSERT_TRUE(memo && right);
    EXPECT_EQ(memo->Name(), "Memo1");
    EXPECT_EQ(memo->Text(), u"Řádek 99\r\n");
    EXPECT_DOUBLE_EQ(memo->Width(), 300);
    EXPECT_EQ(right->HAlign, TfrxHAlign::haRight);
    EXPECT_DOUBLE_EQ(right->Left(), 300);
    EXPECT_EQ(store.BuildPage(2), built); // from the page cache
    EXPECT_EQ(store.BuildPage(7), nullptr);
}

TEST_F(PreparedPages, FirstOfTwoPassesStoresOnlyTheBaseForm) {
    run.DoublePass = true;
    run.FinalPass = false;
    store.OpenPass();
    store.OpenPage(*page);
    PutRow(u"text of the first pass", 80);
    EXPECT_EQ(store.PageItem(0)->Items(0)->Items(0)->Text, ""); // no "u" in the base form
    store.DropFirstPass();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.CurPage, -1);
}

TEST_F(PreparedPages, DropFirstPassKeepsWhatWasThereBefore) {
    store.OpenPage(*page);
    PutRow(u"kept", 60);
    store.AddMode = TfrxAddPageMode::Append;
    run.DoublePass = true;
    run.FinalPass = false;
    store.OpenPass();
    PutRow(u"dropped", 80);
    store.OpenPage(*page);
    PutRow(u"dropped too", 60);
    ASSERT_EQ(store.Count(), 2);
    store.DropFirstPass();
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.PageItem(0)->Count(), 1);
    EXPECT_EQ(store.CurPage, 0);
}

TEST_F(PreparedPages, PicturesGoThroughThePictureCache) {
    std::string bmp = "BM" + std::string(12, '\0');
    ASSERT_TRUE(logo->LoadPictureFromStream(bmp + std::string(40, '\0')));
    store.OpenPage(*page);
    store.PutObject(*title);
    EXPECT_EQ(store.PictureCache().Count(), 1);
    EXPECT_EQ(logo->ImageIndex, 1);
    EXPECT_NE(store.PageItem(0)->Items(0)->Items(0)->Text.find("ImageIndex=\"1\""),
              AnsiString::npos);
    run.Running = false;
    TfrxReportPage* built = store.BuildPage(0);
    auto* picture = dynamic_cast<TfrxPictureView*>(built->Objects()[0]->Objects()[0]);
    ASSERT_NE(picture, nullptr);
    ASSERT_FALSE(picture->Picture.Empty());
    EXPECT_EQ(picture->Picture.Graphic()->Kind(), TGraphicKind::Bitmap);
}

TEST_F(PreparedPages, LogicalPageNumbersAndResets) {
    for (bool reset : {false, false, true, false, false}) {
        if (reset)
            store.CloseLogicalNumbering();
        store.OpenPage(*page);
    }
    store.CloseLogicalNumbering();
    const int expected[][2] = {{1, 2}, {2, 2}, {1, 3}, {2, 3}, {3, 3}};
    for (int i = 0; i < 5; ++i) {
        store.CurPage = i;
        EXPECT_EQ(store.LogicalPageNumber(), expected[i][0]) << i;
        EXPECT_EQ(store.LogicalTotalPages(), expected[i][1]) << i;
    }
}

TEST_F(PreparedPages, Anchors) {
    EXPECT_EQ(store.GetAnchorPage("nic"), 1);
    store.OpenPage(*page);
    store.OpenPage(*page);
    run.CurY = 120.4;
    store.AddAnchor("Kapitola");
    store.OpenPage(*page);
    store.AddAnchor("kapitola");
    EXPECT_EQ(store.GetAnchorPage("KAPITOLA"), 3); // the last one first
    EXPECT_EQ(store.AnchorPosition(), 1);
    store.ShiftAnchors(0, 10);
    TfrxXMLItem& anchors = store.Section("anchors");
    EXPECT_EQ(anchors.Items(0)->Attribute("top"), "120");
    EXPECT_EQ(anchors.Items(1)->Attribute("page"), "3");
    EXPECT_EQ(anchors.Items(1)->Attribute("top"), "10");
}

TEST_F(PreparedPages, CutPasteHasBandAndLowestBottom) {
    store.OpenPage(*page);
    store.PutObject(*title);
    PutRow(u"a", 60);
    PutRow(u"b", 80);
    EXPECT_TRUE(store.HasBand(*band));
    EXPECT_DOUBLE_EQ(store.LowestBandBottom(), 100);
    store.CutObjects(1);
    EXPECT_EQ(store.CurPosition(), 1);
    store.OpenPage(*page);
    EXPECT_FALSE(store.HasBand(*band));
    store.PasteObjects(0, 30);
    run.Running = false;
    TfrxReportPage* built = store.BuildPage(1);
    ASSERT_EQ(built->Objects().size(), 2u);
    EXPECT_DOUBLE_EQ(built->Objects()[0]->Top(), 30);
    EXPECT_DOUBLE_EQ(built->Objects()[1]->Top(), 50);
    EXPECT_DOUBLE_EQ(store.LowestBandBottom(), 70);

    auto* footer = TfrxComponent::Create<TfrxPageFooter>(page);
    footer->SetName("PageFooter1");
    auto* other = TfrxComponent::Create<TfrxPageFooter>(page);
    other->SetName("PageFooter2");
    store.RegisterSourcePage(*page);
    store.PutObject(*footer);
    EXPECT_TRUE(store.HasBand(*other)); // any page footer counts
}

TEST_F(PreparedPages, FileCacheMovesPagesOutAndBuildsThemBack) {
    report.EngineOptions.UseFileCache = true;
    report.EngineOptions.MaxMemSize = 0;
    for (int p = 0; p < 6; ++p) {
        store.OpenPage(*page);
        PutRow(u"page " + AnsiToWide(std::to_string(p)), 60);
    }
    EXPECT_FALSE(store.PageItem(3)->InMemory);
    EXPECT_TRUE(store.PageItem(1)->InMemory); // the first two pages never move
    run.Running = false;
    TfrxReportPage* built = store.BuildPage(3);
    ASSERT_NE(built, nullptr);
    auto* memo = dynamic_cast<TfrxMemoView*>(built->Objects()[0]->Objects()[0]);
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Text(), u"page 3\r\n");
    EXPECT_FALSE(store.PageItem(3)->InMemory);
}

TEST_F(PreparedPages, PagePixelSize) {
    store.OpenPage(*page);
    EXPECT_EQ(store.PagePixelSize(0), (std::pair<int, int>{794, 1123}));
    EXPECT_EQ(store.PagePixelSize(1), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(store.PagePixelSize(-1), (std::pair<int, int>{0, 0}));
}

TEST_F(PreparedPages, Outline) {
    store.OpenPage(*page);
    TfrxOutline& outline = store.Outline();
    outline.AddItem("Smlouva", 0);
    outline.AddItem("Strany", 40);
    outline.LevelUp();
    outline.AddItem("Cena", 300);
    outline.LevelUp();
    outline.LevelUp(); // not above the root
    EXPECT_EQ(outline.Current(), &outline.Root());
    TfrxXMLItem& root = outline.Root();
    ASSERT_EQ(root.Count(), 1);
    ASSERT_EQ(root.Items(0)->Count(), 2);
    outline.ShiftItems(root.Items(0)->Items(0), 20);
    EXPECT_EQ(root.Items(0)->Items(1)->Attribute("page"), "1");
    EXPECT_EQ(root.Items(0)->Items(1)->Attribute("top"), "20");
    EXPECT_EQ(root.Items(0)->Items(0)->Attribute("top"), "40");
}

TEST_F(PreparedPages, SavedReportLoadsIntoAnEqualStore) {
    std::string bmp = "BM" + std::string(52, '\0');
    ASSERT_TRUE(logo->LoadPictureFromStream(bmp));
    report.ReportOptions.Name = "Smlouva";
    store.OpenPage(*page);
    store.PutObject(*title);
    PutRow(u"První řádek", 60);
    store.OpenPage(*page);
    PutRow(u"Druhá strana", 60);
    store.Outline().AddItem("Kapitola", 10);
    run.Running = false;
    store.EndRun();

    TMemoryStream saved;
    store.SaveToStream(saved);
    EXPECT_EQ(store.Document().Root().FindIndex("sourcepages"), -1); // only while saving

    TfrxReport other;
    TfrxPreviewPages loaded(&other);
    saved.Seek(0);
    loaded.LoadFromStream(saved);
    EXPECT_EQ(other.ReportOptions.Name, "Smlouva");
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Dictionary().Count(), store.Dictionary().Count());
    EXPECT_EQ(loaded.PictureCache().Count(), 1);
    EXPECT_EQ(loaded.Outline().Root().Count(), 1);
    for (int i = 0; i < 2; ++i) {
        TfrxXMLSerializer s;
        std::string a, b;
        for (TfrxComponent* c : store.BuildPage(i)->AllObjects())
            a += c->ClassName() + " " + c->Name() + s.AttributesOf(c, "", nullptr) + "\n";
        for (TfrxComponent* c : loaded.BuildPage(i)->AllObjects())
            b += c->ClassName() + " " + c->Name() + s.AttributesOf(c, "", nullptr) + "\n";
        EXPECT_EQ(a, b) << "page " << i;
    }
    auto* picture = dynamic_cast<TfrxPictureView*>(loaded.BuildPage(0)->Objects()[0]->Objects()[0]);
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->Picture.Empty());
}

TEST(PageNumbers, Parse) {
    struct Case {
        const char* text;
        std::vector<int> pages;
    };
    const Case cases[] = {
        {"", {}},    {"1,3-5", {1, 3, 4, 5}},     {"3-", {3, 4, 5}}, {" 2 - 3 ", {2, 3}},
        {"5-2", {}}, {"1-1000", {1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParsePageNumbers(c.text, 5), c.pages) << c.text;
    EXPECT_THROW(ParsePageNumbers("1,x", 5), Exception);
}

// An export filter that records what it is handed.
class RecordingFilter : public TfrxCustomExportFilter {
public:
    bool Begin = true;
    std::vector<int> Pages;
    std::vector<AnsiString> Names;
    std::vector<WideString> Texts;
    bool Ended = false;
    bool BeginExport() override { return Begin; }
    void BeginPage(TfrxReportPage&, int index) override { Pages.push_back(index); }
    void ExportView(TfrxReportComponent& object) override {
        Names.push_back(object.Name());
        if (auto* memo = dynamic_cast<TfrxCustomMemoView*>(&object))
            Texts.push_back(memo->Text());
    }
    void EndPage(TfrxReportPage&, int) override {}
    void EndExport() override { Ended = true; }
};

TEST_F(PreparedPages, ExportHandsOverTheChosenPages) {
    for (int p = 0; p < 5; ++p) {
        store.OpenPage(*page);
        PutRow(u"Strana 1 z [TotalPages#]", 60);
    }
    run.Running = false;
    store.EndRun();

    RecordingFilter pages23;
    pages23.PageNumbers = "2-3";
    EXPECT_TRUE(store.ExportTo(pages23));
    EXPECT_EQ(pages23.Pages, (std::vector<int>{1, 2}));
    EXPECT_TRUE(pages23.Ended);
    ASSERT_GE(pages23.Names.size(), 4u);
    EXPECT_EQ(pages23.Names[0], "_pagebackground");
    EXPECT_EQ(pages23.Names[1], "MasterData1");
    EXPECT_EQ(pages23.Texts.front(), u"Strana 1 z 5\r\n");

    RecordingFilter current;
    current.CurPage = true;
    EXPECT_TRUE(store.ExportTo(current));
    EXPECT_EQ(current.Pages, (std::vector<int>{0}));

    RecordingFilter refused;
    refused.Begin = false;
    EXPECT_TRUE(store.ExportTo(refused));
    EXPECT_TRUE(refused.Pages.empty());
    EXPECT_FALSE(refused.Ended);
}

TEST_F(PreparedPages, ExportErrorGoesToTheErrorList) {
    class Failing : public RecordingFilter {
        void BeginPage(TfrxReportPage&, int) override { throw Exception("disk full"); }
    } failing;
    store.OpenPage(*page);
    run.Running = false;
    EXPECT_FALSE(store.ExportTo(failing));
    EXPECT_EQ(report.Errors.count("disk full"), 1u);
    EXPECT_TRUE(failing.Ended);
}

} // namespace
} // namespace kanvo
