#include "report/engine/engine.h"

#include "platform/code_page.h"
#include "platform/format_settings.h"
#include "report/model/dataset.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kanvo {
namespace {

// A report page with margins 10 mm (printable height 1046.93 pixels) that
// tests fill with bands; a user data source "ds" with fields g and n.
class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterReportModelClasses();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
        page->LeftMargin = page->RightMargin = page->TopMargin = page->BottomMargin = 10;
        ds.SetName("ds");
        ds.SetUserName("ds");
        ds.Fields = {"g", "n"};
        ds.RangeEnd = TfrxRangeEnd::reCount;
        ds.OnGetValue = [this](const AnsiString& field) {
            const auto& row = rows.at(static_cast<size_t>(ds.RecNo));
            return field == "g" ? Variant(row.first) : Variant(int64_t{row.second});
        };
    }
    void SetRows(std::vector<std::pair<AnsiString, int>> r) {
        rows = std::move(r);
        ds.RangeEndCount = static_cast<int>(rows.size());
        if (report.DataSets.Count() == 0)
            report.DataSets.Add().DataSet.Set(&ds);
    }
    template <typename T>
    T* Band(const char* name, double top, double height) {
        T* b = TfrxComponent::Create<T>(page);
        b->SetName(name);
        b->SetBounds(0, top, 0, height);
        return b;
    }
    TfrxMemoView* Memo(TfrxBand* band, const char* name, const char16_t* text, double top = 0,
                       double height = 18) {
        auto* m = TfrxComponent::Create<TfrxMemoView>(band);
        m->SetName(name);
        m->SetBounds(0, top, 200, height);
        m->SetText(text);
        return m;
    }
    // One line per stored band of page i: name, then the texts of its memos.
    std::vector<std::string> Dump(int i) {
        std::vector<std::string> lines;
        TfrxReportPage* built = run.PreparedPages().BuildPage(i);
        for (TfrxComponent* c : built->Objects()) {
            std::string line = c->Name();
            for (TfrxComponent* o : c->Objects())
                if (auto* m = dynamic_cast<TfrxCustomMemoView*>(o)) {
                    WideString t = m->Text();
                    if (t.size() >= 2)
                        t.resize(t.size() - 2);
                    line += " " + WideToUtf8(t);
                }
            lines.push_back(line);
        }
        return lines;
    }
    TfrxReport report;
    TfrxReportPage* page = nullptr;
    TfrxUserDataSet ds;
    std::vector<std::pair<AnsiString, int>> rows;
    TfrxReportRun run{report};
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
};

using Lines = std::vector<std::string>;

TEST_F(Engine, TitleHeaderRowsAndFooterOnOnePage) {
    Memo(Band<TfrxReportTitle>("Title", 0, 40), "T", u"Smlouva");
    Memo(Band<TfrxPageHeader>("Header", 60, 20), "H", u"hlavička");
    auto* data = Band<TfrxMasterData>("Data", 100, 20);
    data->SetRowCount(3);
    Memo(data, "Row", u"řádek [Line]");
    Memo(Band<TfrxPageFooter>("Footer", 200, 20), "F", u"strana [Page#]");
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    ASSERT_EQ(run.PreparedPages().Count(), 1);
    EXPECT_EQ(Dump(0), (Lines{"Title Smlouva", "Header hlavička", "Data řádek 1", "Data řádek 2",
                              "Data řádek 3", "Footer strana 1"}));
    TfrxReportPage* built = run.PreparedPages().BuildPage(0);
    EXPECT_DOUBLE_EQ(built->Objects()[2]->Top(), 60); // title 40 + header 20
    EXPECT_NEAR(built->Objects()[5]->Top(), 277 * fr01cm - 20, 1e-9);
    // The design objects are back as they were.
    EXPECT_EQ(dynamic_cast<TfrxMemoView*>(report.FindObject("Row"))->Text(), u"řádek [Line]\r\n");
}

TEST_F(Engine, RowsBreakOntoNewPagesWithHeadersAndFooters) {
    Band<TfrxPageHeader>("Header", 0, 30);
    auto* data = Band<TfrxMasterData>("Data", 40, 100);
    data->SetRowCount(25);
    Memo(data, "Row", u"[Line#]");
    Band<TfrxPageFooter>("Footer", 200, 47.3);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    // 1046.93 − 30 header − 47.3 footer = 969.63: nine rows of 100 per page.
    ASSERT_EQ(run.PreparedPages().Count(), 3);
    for (int p = 0; p < 3; ++p) {
        Lines lines = Dump(p);
        EXPECT_EQ(lines.front(), "Header") << p;
        EXPECT_EQ(lines.back(), "Footer") << p;
        EXPECT_EQ(lines.size(), p < 2 ? 11u : 9u) << p;
    }
    EXPECT_EQ(Dump(1)[1], "Data 10");
}

TEST_F(Engine, PageFooterFirstAndLastPageRules) {
    auto* data = Band<TfrxMasterData>("Data", 40, 600);
    data->SetRowCount(3);
    auto* footer = Band<TfrxPageFooter>("Footer", 600, 20);
    footer->PrintOnFirstPage = false;
    footer->PrintOnLastPage = false;
    ASSERT_TRUE(run.BuildReport());
    ASSERT_EQ(run.PreparedPages().Count(), 3);
    EXPECT_EQ(Dump(0).back(), "Data");
    EXPECT_EQ(Dump(1).back(), "Footer");
    EXPECT_EQ(Dump(2).back(), "Data");
}

TEST_F(Engine, PageHeaderAboveTitleWhenAsked) {
    Band<TfrxReportTitle>("Title", 0, 40);
    Band<TfrxPageHeader>("Header", 60, 20);
    page->TitleBeforeHeader = false;
    ASSERT_TRUE(run.BuildReport());
    EXPECT_EQ(Dump(0), (Lines{"Header", "Title"}));
}

TEST_F(Engine, StartNewPageBreaksBeforeEveryRowButTheFirst) {
    auto* data = Band<TfrxMasterData>("Data", 0, 20);
    data->SetRowCount(3);
    data->StartNewPage = true;
    ASSERT_TRUE(run.BuildReport());
    EXPECT_EQ(run.PreparedPages().Count(), 3);
}

TEST_F(Engine, GroupsOpenAndCloseOnChangingConditions) {
    SetRows({{"A", 1}, {"A", 2}, {"B", 3}, {"B", 4}, {"B", 5}});
    auto* group = Band<TfrxGroupHeader>("Group", 0, 20);
    group->Condition = "ds.\"g\"";
    Memo(group, "G", u"skupina [ds.\"g\"]");
    auto* data = Band<TfrxMasterData>("Data", 30, 20);
    data->DataSet.Set(&ds);
    Memo(data, "N", u"[ds.\"n\"] [Line] [Line#]");
    Memo(Band<TfrxGroupFooter>("GroupEnd", 60, 20), "E", u"konec [ds.\"n\"]");
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    EXPECT_EQ(Dump(0), (Lines{"Group skupina A", "Data 1 1 1", "Data 2 2 2", "GroupEnd konec 2",
                              "Group skupina B", "Data 3 1 3", "Data 4 2 4", "Data 5 3 5",
                              "GroupEnd konec 5"}));
}

TEST_F(Engine, RowCountLimitsTheRowsOfADataSet) {
    SetRows({{"A", 1}, {"B", 2}, {"C", 3}});
    auto* data = Band<TfrxMasterData>("Data", 0, 20);
    data->DataSet.Set(&ds);
    data->SetRowCount(2);
    Memo(data, "N", u"[ds.\"n\"]");
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    EXPECT_EQ(Dump(0), (Lines{"Data 1", "Data 2"}));
}

TEST_F(Engine, AReprintedHeaderStartsEveryFollowingPage) {
    auto* head = Band<TfrxHeader>("Head", 0, 30);
    head->ReprintOnNewPage = true;
    auto* data = Band<TfrxMasterData>("Data", 40, 300);
    data->SetRowCount(7);
    Band<TfrxFooter>("Foot", 400, 20);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    // 30 + 3 × 300 per page: rows 1-3, 4-6, 7 and the footer.
    ASSERT_EQ(run.PreparedPages().Count(), 3);
    EXPECT_EQ(Dump(0), (Lines{"Head", "Data", "Data", "Data"}));
    EXPECT_EQ(Dump(1), (Lines{"Head", "Data", "Data", "Data"}));
    EXPECT_EQ(Dump(2), (Lines{"Head", "Data", "Foot"}));
}

TEST_F(Engine, HeaderAndFooterOfADataBand) {
    SetRows({{"A", 1}, {"B", 2}});
    Memo(Band<TfrxHeader>("Head", 0, 20), "H", u"záhlaví");
    auto* data = Band<TfrxMasterData>("Data", 30, 20);
    data->DataSet.Set(&ds);
    Memo(data, "N", u"[ds.\"n\"]");
    Memo(Band<TfrxFooter>("Foot", 60, 20), "F", u"zápatí");
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    EXPECT_EQ(Dump(0), (Lines{"Head záhlaví", "Data 1", "Data 2", "Foot zápatí"}));
}

TEST_F(Engine, TemplateStructureErrorsStopTheRun) {
    struct Case {
        const char* key;
        std::function<TfrxBand*()> make;
    };
    const Case cases[] = {
        {"enUnconnGFooter", [&] { return Band<TfrxGroupFooter>("Loose", 50, 20); }},
        {"enUnconnGroup", [&] { return Band<TfrxGroupHeader>("Loose", 50, 20); }},
        {"enUnconnHeader", [&] { return Band<TfrxFooter>("Loose", 50, 20); }},
    };
    for (const Case& c : cases) {
        // A run reloads the report: find the page again each time.
        page = dynamic_cast<TfrxReportPage*>(report.FindObject("Page1"));
        ASSERT_NE(page, nullptr);
        c.make();
        EXPECT_FALSE(run.BuildReport()) << c.key;
        EXPECT_EQ(report.ErrorText(), frxGet(c.key) + " Loose") << c.key;
        EXPECT_EQ(run.PreparedPages().Count(), 0) << c.key;
        delete report.FindObject("Loose");
    }
}

TEST_F(Engine, MissingDataSetOfTheListIsReported) {
    report.DataSets.Add().SetDataSetName("Chybi");
    EXPECT_FALSE(run.BuildReport());
    EXPECT_EQ(report.ErrorText(), Format(frxGet("clDSNotExist"), {"Chybi"}));
    EXPECT_EQ(run.PreparedPages().Count(), 0);
}

TEST_F(Engine, ExpressionErrorEndsTheRunWithOneLine) {
    auto* data = Band<TfrxMasterData>("Data", 0, 20);
    data->SetRowCount(5);
    Memo(data, "Memo1", u"[1 +]");
    EXPECT_FALSE(run.BuildReport());
    ASSERT_EQ(report.Errors.size(), 1u);
    EXPECT_EQ(report.ErrorText().rfind("Memo1: " + frxGet("clExprError") + " '1 +': ", 0), 0u)
        << report.ErrorText();
}

TEST_F(Engine, DoublePassKnowsTheTotalOnlyInTheFinalPass) {
    report.EngineOptions.DoublePass = true;
    auto* data = Band<TfrxMasterData>("Data", 40, 400);
    data->SetRowCount(5);
    // "TotalPages#" stays a placeholder until the page is drawn; the logical
    // total comes from the first pass.
    Memo(Band<TfrxPageFooter>("Footer", 600, 20), "F", u"[Page#]/[TotalPages] [TotalPages#]");
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    ASSERT_EQ(run.PreparedPages().Count(), 3); // the first pass left nothing behind
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(Dump(p).back(), "Footer " + std::to_string(p + 1) + "/3 [TotalPages#]") << p;
}

TEST_F(Engine, ObjectsOnThePageOutsideBandsPrintOnEveryPage) {
    auto* stamp = TfrxComponent::Create<TfrxMemoView>(page);
    stamp->SetName("Stamp");
    stamp->SetBounds(500, 900, 100, 20);
    stamp->SetText(u"kopie [Page#]");
    auto* data = Band<TfrxMasterData>("Data", 40, 600);
    data->SetRowCount(2);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    // One page body: the objects print on its first page.
    ASSERT_EQ(run.PreparedPages().Count(), 2);
    Lines first = Dump(0);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0], " kopie 1");
    TfrxComponent* carrier = run.PreparedPages().BuildPage(0)->Objects()[0];
    EXPECT_DOUBLE_EQ(carrier->Objects()[0]->Top(), 900);
    // The design page has its objects back, in their place.
    auto* design = dynamic_cast<TfrxReportPage*>(report.FindObject("Page1"));
    ASSERT_NE(design, nullptr);
    EXPECT_EQ(design->Objects()[0]->Name(), "Stamp");
}

TEST_F(Engine, KeepTogetherMovesARowWithItsDetailsToTheNextPage) {
    auto* master = Band<TfrxMasterData>("Master", 0, 100);
    master->SetRowCount(4);
    master->KeepTogether = true;
    Memo(master, "M", u"[Line]");
    auto* detail = Band<TfrxDetailData>("Detail", 120, 100);
    detail->SetRowCount(2);
    // Blocks of 300 pixels: three fill 900 of the 1046.93; the fourth's
    // master would still fit, its details not, so the whole block moves.
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    ASSERT_EQ(run.PreparedPages().Count(), 2);
    Lines first = Dump(0), second = Dump(1);
    EXPECT_EQ(first, (Lines{"Master 1", "Detail", "Detail", "Master 2", "Detail", "Detail",
                            "Master 3", "Detail", "Detail"}));
    EXPECT_EQ(second, (Lines{"Master 4", "Detail", "Detail"}));
}

TEST_F(Engine, WithoutKeepTogetherTheBlockBreaksWhereTheSpaceEnds) {
    auto* master = Band<TfrxMasterData>("Master", 0, 100);
    master->SetRowCount(4);
    Memo(master, "M", u"[Line]");
    auto* detail = Band<TfrxDetailData>("Detail", 120, 150);
    detail->SetRowCount(2);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    // Blocks of 400: two fit (800), the third's master too (900), its
    // details go on.
    Lines first = Dump(0);
    EXPECT_EQ(first.back(), "Master 3");
    Lines second = Dump(1);
    EXPECT_EQ(second.front(), "Detail");
}

TEST_F(Engine, MultiColumnRowsGoSideBySide) {
    auto* data = Band<TfrxMasterData>("Data", 0, 50);
    data->SetRowCount(7);
    data->Columns = 3;
    data->ColumnWidth = 200;
    data->ColumnGap = 10;
    Memo(data, "N", u"[Line]");
    Band<TfrxFooter>("Foot", 100, 20);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    TfrxReportPage* built = run.PreparedPages().BuildPage(0);
    ASSERT_EQ(built->Objects().size(), 8u);
    struct Place {
        double left, top;
    };
    const Place expected[] = {{0, 0}, {210, 0}, {420, 0}, {0, 50}, {210, 50}, {420, 50}, {0, 100}};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_DOUBLE_EQ(built->Objects()[i]->Left(), expected[i].left) << i;
        EXPECT_DOUBLE_EQ(built->Objects()[i]->Top(), expected[i].top) << i;
    }
    EXPECT_DOUBLE_EQ(built->Objects()[7]->Top(), 150); // the footer below the last set
}

TEST_F(Engine, AnEndlessPageGrowsWithItsRows) {
    page->EndlessHeight = true;
    auto* data = Band<TfrxMasterData>("Data", 0, 100);
    data->SetRowCount(30);
    Band<TfrxPageFooter>("Footer", 200, 20);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    ASSERT_EQ(run.PreparedPages().Count(), 1);
    // 3000 pixels of rows, the footer and the margins of 10 mm.
    auto [w, h] = run.PreparedPages().PagePixelSize(0);
    EXPECT_EQ(w, 794);
    EXPECT_EQ(h, static_cast<int>(std::lround(3000 + 20 + 20 * fr01cm)));
    EXPECT_EQ(Dump(0).back(), "Footer");
    EXPECT_DOUBLE_EQ(run.PreparedPages().BuildPage(0)->Objects().back()->Top(), 3000);
}

TEST_F(Engine, ASubreportPrintsItsDataBandsBelowItsBand) {
    TfrxBand* title = Band<TfrxReportTitle>("Title", 0, 60);
    auto* second = TfrxComponent::Create<TfrxReportPage>(&report);
    second->SetName("Page2");
    auto* subRows = TfrxComponent::Create<TfrxMasterData>(second);
    subRows->SetName("SubRows");
    subRows->SetBounds(0, 0, 0, 30);
    subRows->SetRowCount(3);
    Memo(subRows, "R", u"[Line]");
    auto* sub = TfrxComponent::Create<TfrxSubreport>(title);
    sub->SetName("Sub");
    sub->SetBounds(100, 40, 300, 20);
    sub->SetPage(second);
    Band<TfrxReportSummary>("Summary", 200, 20);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    // The subreport's page is not run as a page of its own.
    ASSERT_EQ(run.PreparedPages().Count(), 1);
    EXPECT_EQ(Dump(0), (Lines{"Title", "SubRows 1", "SubRows 2", "SubRows 3", "Summary"}));
    TfrxReportPage* built = run.PreparedPages().BuildPage(0);
    EXPECT_DOUBLE_EQ(built->Objects()[1]->Top(), 40); // the band's top + the subreport's
    EXPECT_DOUBLE_EQ(built->Objects()[1]->Left(), 100);
    EXPECT_DOUBLE_EQ(built->Objects()[4]->Top(), 130); // after the subreport's rows
}

TEST_F(Engine, ASubreportOnItsParentLaysItsRowsIntoTheBand) {
    TfrxBand* title = Band<TfrxReportTitle>("Title", 0, 40);
    title->Stretched = true;
    Memo(title, "Head", u"nadpis", 0, 20);
    auto* second = TfrxComponent::Create<TfrxReportPage>(&report);
    second->SetName("Page2");
    auto* subRows = TfrxComponent::Create<TfrxMasterData>(second);
    subRows->SetName("SubRows");
    subRows->SetBounds(0, 0, 0, 25);
    subRows->SetRowCount(3);
    Memo(subRows, "R", u"řádek [Line]");
    auto* sub = TfrxComponent::Create<TfrxSubreport>(title);
    sub->SetName("Sub");
    sub->SetBounds(50, 20, 300, 20);
    sub->SetPage(second);
    sub->PrintOnParent = true;
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    ASSERT_EQ(run.PreparedPages().Count(), 1);
    EXPECT_EQ(Dump(0), (Lines{"Title nadpis řádek 1 řádek 2 řádek 3"}));
    TfrxComponent* band = run.PreparedPages().BuildPage(0)->Objects()[0];
    ASSERT_EQ(band->Objects().size(), 4u);
    EXPECT_DOUBLE_EQ(band->Objects()[2]->Top(), 20 + 25);
    EXPECT_DOUBLE_EQ(band->Objects()[2]->Left(), 50);
    EXPECT_DOUBLE_EQ(band->Height(), 20 + 3 * 25 - 7); // the last row's memo ends at 88
    // The design band is as it was.
    EXPECT_EQ(report.FindObject("Title")->Objects().size(), 2u);
}

TEST_F(Engine, AppendingRunsAddPages) {
    Band<TfrxReportTitle>("Title", 0, 40);
    ASSERT_TRUE(run.BuildReport());
    ASSERT_TRUE(run.BuildReport(false));
    EXPECT_EQ(run.PreparedPages().Count(), 2);
}

TEST_F(Engine, StopReportKeepsThePagesSoFar) {
    auto* data = Band<TfrxMasterData>("Data", 0, 500);
    data->SetRowCount(10);
    data->OnAfterPrint = "Stop";
    report.ScriptText = {"procedure Stop(Sender: TfrxComponent);",
                         "begin",
                         "  if <Line> = 3 then Engine.StopReport;",
                         "end;",
                         "begin",
                         "end."};
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    EXPECT_EQ(run.PreparedPages().Count(), 2);
    EXPECT_EQ(Dump(1), (Lines{"Data"}));
}

// A layout whose memos are 20 pixels per line, installed for one test.
class LinesLayout : public TfrxMemoLayout {
public:
    LinesLayout() { SetMemoLayout(this); }
    ~LinesLayout() override { SetMemoLayout(nullptr); }
    double CalcHeight(TfrxCustomMemoView& memo) override { return 20.0 * memo.Memo.size(); }
    double CalcWidth(TfrxCustomMemoView& memo) override { return memo.Width(); }
    // Whole 20-pixel lines of the remaining text fit the current height.
    double FitPart(TfrxCustomMemoView& memo) override {
        std::vector<WideString> lines = SplitWideLines(memo.RemainingText);
        const size_t fit = std::min(lines.size(), static_cast<size_t>(memo.Height() / 20));
        if (fit == 0 && !lines.empty())
            return memo.Height();
        memo.Memo.assign(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(fit));
        WideString rest;
        for (size_t i = fit; i < lines.size(); ++i)
            rest.append(lines[i]).append(u"\r\n");
        memo.RemainingText = rest;
        return memo.Height() - 20.0 * static_cast<double>(fit);
    }
};

TEST_F(Engine, GrowingMemosShiftTheObjectsBelow) {
    LinesLayout layout;
    auto* data = Band<TfrxMasterData>("Data", 0, 60);
    data->SetRowCount(1);
    data->Stretched = true;
    auto* grow = Memo(data, "Grow", u"a\nb\nc\nd", 0, 20);
    grow->StretchMode = TfrxStretchMode::smActualHeight;
    auto* below = Memo(data, "Below", u"x", 30, 20);
    auto* overlapped = Memo(data, "Later", u"y", 70, 20);
    overlapped->ShiftMode = TfrxShiftMode::smWhenOverlapped;
    auto* side = Memo(data, "Side", u"z", 30, 20);
    side->SetLeft(300);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    TfrxReportPage* built = run.PreparedPages().BuildPage(0);
    TfrxComponent* band = built->Objects()[0];
    auto top = [&](const char* name) { return band->FindObject(name)->Top(); };
    EXPECT_DOUBLE_EQ(band->FindObject("Grow")->Height(), 80);
    EXPECT_DOUBLE_EQ(top("Below"), 90);  // moved by the 60 pixels the memo grew
    EXPECT_DOUBLE_EQ(top("Later"), 110); // below Below, which now ends at 110
    EXPECT_DOUBLE_EQ(top("Side"), 30);   // not below the memo
    EXPECT_DOUBLE_EQ(band->Height(), 130);
    (void)below;
}

TEST_F(Engine, ASplitBandContinuesOnTheNextPage) {
    LinesLayout layout;
    auto* data = Band<TfrxMasterData>("Data", 0, 40);
    data->SetRowCount(1);
    data->AllowSplit = true;
    data->Stretched = true;
    WideString text;
    for (int i = 1; i <= 80; ++i)
        text += u"line " + AnsiToWide(std::to_string(i)) + u"\r\n";
    auto* memo = Memo(data, "Long", text.c_str(), 0, 20);
    memo->StretchMode = TfrxStretchMode::smActualHeight;
    Memo(data, "After", u"end", 30, 20);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    ASSERT_EQ(run.PreparedPages().Count(), 2);
    // 1046.93 pixels hold 52 lines; the other 28 and the memo below follow.
    TfrxComponent* first = run.PreparedPages().BuildPage(0)->Objects()[0];
    ASSERT_EQ(first->Objects().size(), 1u);
    EXPECT_EQ(dynamic_cast<TfrxMemoView*>(first->Objects()[0])->Memo.size(), 52u);
    TfrxComponent* second = run.PreparedPages().BuildPage(1)->Objects()[0];
    ASSERT_EQ(second->Objects().size(), 2u);
    auto* rest = dynamic_cast<TfrxMemoView*>(second->FindObject("Long"));
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->Memo.front(), u"line 53");
    EXPECT_EQ(rest->Memo.size(), 28u);
    // "After" keeps its 10-pixel distance to the end of the memo.
    EXPECT_DOUBLE_EQ(second->FindObject("After")->Top(), 28 * 20 + 10);
}

} // namespace
} // namespace kanvo
