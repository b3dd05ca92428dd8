// The aggregate list: registration of the calls a page's memos use, rows
// taken by the data bands, resets, keep mode, vertical columns, and the value
// lookup behind SUM, AVG, MIN, MAX and COUNT.
#include "report/engine/aggregates.h"

#include "platform/code_page.h"
#include "report/engine/expressions.h"
#include "report/model/pages.h"

#include <gtest/gtest.h>

#include <map>

namespace kanvo {
namespace {

class AggregatesTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
        master = Band<TfrxMasterData>("MasterData1");
        footer = Band<TfrxFooter>("Footer1");
        pageFooter = Band<TfrxPageFooter>("PageFooter1");
        columnFooter = Band<TfrxColumnFooter>("ColumnFooter1");
        list.Calc = [this](const AnsiString& expr) {
            calls.push_back({expr, report.CurrentObjectName});
            auto it = row.find(expr);
            return it == row.end() ? Variant::Null() : it->second;
        };
    }

    template <typename T>
    T* Band(const char* name) {
        auto* band = TfrxComponent::Create<T>(page);
        band->SetName(name);
        return band;
    }
    TfrxMemoView* Memo(TfrxBand* band, const char* text) {
        auto* memo = TfrxComponent::Create<TfrxMemoView>(band);
        memo->SetName("Memo" + std::to_string(++memos));
        memo->SetText(AnsiToWide(text));
        return memo;
    }
    // The page with MasterData1, its Footer1, the page footer and the column
    // footer.
    void Register() {
        TfrxAggregatePageBands bands;
        bands.Masters.push_back({master, footer, {}, {}});
        bands.PageFooter = pageFooter;
        bands.ColumnFooter = columnFooter;
        list.AddPage(bands);
    }
    // One row per value of <x>.
    void Rows(std::initializer_list<Variant> values, TfrxBand* band = nullptr) {
        for (const Variant& v : values) {
            row["<x>"] = v;
            list.AccumulateRow(band ? band : master, 0);
        }
    }
    Variant Value(TfrxBand* printed, const char* name, const char* expr = "<x>", int flags = 0,
                  TfrxBand* band = nullptr, int column = 0) {
        return list.AggregateValue(printed, column, name, expr, band, flags);
    }

    TfrxReport report;
    TfrxReportPage* page = nullptr;
    TfrxMasterData* master = nullptr;
    TfrxFooter* footer = nullptr;
    TfrxPageFooter* pageFooter = nullptr;
    TfrxColumnFooter* columnFooter = nullptr;
    int memos = 0;
    std::map<AnsiString, Variant> row;
    struct Call {
        AnsiString expr, objectName;
    };
    std::vector<Call> calls;
    TfrxAggregateList list{report};
};

// ---------------------------------------------------------------- values

struct FunctionCase {
    const char* name;
    std::vector<Variant> rows;
    Variant expected;
};

TEST_F(AggregatesTest, FunctionsOverRowsWithNullsAndBooleans) {
    const Variant null = Variant::Null();
    const std::vector<FunctionCase> cases = {
        {"AVG", {2, null, 4}, 3}, // Null rows are not counted by AVG
        {"COUNT", {2, null, 4}, 3},
        {"SUM", {2, null, 4}, 6},
        {"MIN", {null, 5, 3, 7}, 3}, // the first non-Null value starts MIN and MAX
        {"MAX", {null, 5, 9, 7}, 9},
        {"MIN", {Variant(2.5), Variant(-1), Variant(int64_t{4})}, -1},
        {"SUM", {true, false, true}, 2}, // True counts as 1
        {"AVG", {null, null}, 0},        // no value: 0
        {"SUM", {}, 0},
        {"COUNT", {}, 0},
        {"MAX", {Variant("b"), Variant("c"), Variant("a")}, Variant("c")},
    };
    for (const FunctionCase& c : cases) {
        SCOPED_TRACE(c.name);
        list.Clear();
        const bool count = AnsiString(c.name) == "COUNT";
        list.AddExpression(AnsiString(c.name) + (count ? "()" : "(<x>)"), "Memo1", footer, master);
        for (const Variant& v : c.rows) {
            row["<x>"] = v;
            list.AccumulateRow(master, 0);
        }
        const Variant got = Value(footer, c.name, count ? "" : "<x>");
        EXPECT_TRUE(VarEquals(got, c.expected)) << VarToStr(got);
    }
}

TEST_F(AggregatesTest, FooterSumResetsAfterTheFooterUnlessRunningTotal) {
    Memo(footer, "[SUM(<x>)] [SUM(<x>, MasterData1, 2)]");
    Register();
    ASSERT_EQ(list.Count(), 2);

    Rows({1, 2});
    EXPECT_TRUE(VarEquals(Value(footer, "SUM"), 3));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 2), 3));
    list.Reset(footer);
    Rows({10});
    EXPECT_TRUE(VarEquals(Value(footer, "SUM"), 10));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 2), 13));

    // Another band's reset leaves them; clearing between passes resets all.
    list.Reset(pageFooter);
    EXPECT_TRUE(VarEquals(Value(footer, "SUM"), 10));
    list.ClearValues();
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 2), 0));
}

TEST_F(AggregatesTest, InvisibleRowsCountOnlyWithCountInvisible) {
    Memo(footer, "[COUNT(MasterData1)] [COUNT(MasterData1, 1)] [SUM(<x>,,1)] [SUM(<x>)]");
    Register();
    Rows({1});
    master->SetVisible(false);
    Rows({2, 4});
    master->SetVisible(true);
    Rows({8});
    EXPECT_TRUE(VarEquals(Value(footer, "COUNT", "", 0), 2));
    EXPECT_TRUE(VarEquals(Value(footer, "COUNT", "", 1), 4));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 1), 15));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 0), 9));
}

TEST_F(AggregatesTest, RowsAreEvaluatedUnderTheMemoName) {
    TfrxMemoView* memo = Memo(footer, "[SUM(<x>)]");
    Register();
    report.CurrentObjectName = "Before";
    Rows({1});
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].expr, "<x>");
    EXPECT_EQ(calls[0].objectName, memo->Name());
    EXPECT_EQ(report.CurrentObjectName, "Before");

    // COUNT evaluates nothing; an error of Calc passes through.
    list.Clear();
    list.AddExpression("COUNT()", "M", footer, master);
    Rows({1});
    EXPECT_EQ(calls.size(), 1u);
    list.Clear();
    list.AddExpression("SUM(<bad>)", "M", footer, master);
    list.Calc = [](const AnsiString&) -> Variant { throw EExpressionError("M: bad"); };
    EXPECT_THROW(list.AccumulateRow(master, 0), EExpressionError);
    EXPECT_EQ(report.CurrentObjectName, "Before");
}

TEST_F(AggregatesTest, LookupMatchesBandFunctionExpressionDataBandAndFlags) {
    auto* detail = Band<TfrxDetailData>("DetailData1");
    list.AddExpression("SUM( <x> , MasterData1)", "M1", footer, master);
    list.AddExpression("SUM(<x>, DetailData1)", "M2", footer, master);
    row["<x>"] = 5;
    list.AccumulateRow(master, 0);
    row["<x>"] = 7;
    list.AccumulateRow(detail, 0);

    EXPECT_TRUE(VarEquals(Value(footer, "SUM", " <X> "), 5)); // trimmed, case ignored, first item
    EXPECT_TRUE(VarEquals(Value(footer, "sum", "<x>", 0, detail), 7));
    EXPECT_TRUE(Value(footer, "SUM", "<x>", 2).IsNull()); // flags differ
    EXPECT_TRUE(Value(footer, "AVG").IsNull());           // function differs
    EXPECT_TRUE(Value(pageFooter, "SUM").IsNull());       // printed elsewhere
    EXPECT_TRUE(Value(footer, "SUM", "<y>").IsNull());    // expression differs
    EXPECT_TRUE(Value(footer, "SUM", "<x>", 0, columnFooter).IsNull());

    // Names other than SUM, AVG, MIN and MAX are COUNT.
    list.AddExpression("COUNT()", "M3", footer, master);
    list.AccumulateRow(master, 0);
    EXPECT_TRUE(VarEquals(Value(footer, "FOO", ""), 1));
    EXPECT_EQ(AggregateFunctionOf("Max"), TfrxAggregateFunction::agMax);
    EXPECT_EQ(AggregateFunctionOf("IIF"), TfrxAggregateFunction::agCount);
}

// ---------------------------------------------------------------- registration

struct ParseCase {
    const char* text;
    std::vector<const char*> calls; // the registered call texts, in order
};

TEST_F(AggregatesTest, FindsTheCallsOfAMemoText) {
    const std::vector<ParseCase> cases = {
        {"[FormatFloat('#,##0.00', SUM(<x>, MasterData1))]", {"SUM(<x>, MasterData1)"}},
        {"[IIF(<a> > 0, MAX(<x>), MIN( <x> ))]", {"MAX(<x>)", "MIN( <x> )"}},
        {"[IIF(<a> < 5, SUM(<x>), 0)] and [Count()]", {"SUM(<x>)", "Count()"}},
        {"['SUM(<x>)' + \"AVG(<y>)\" + 'it''s SUM(<z>)']", {}},
        {"SUM(<x>) outside brackets", {}},
        {"[SUM (<x>) #n%2.2f]", {"SUM (<x>)"}},
        {"[SUM(IIF(<a>, 1, 0), MasterData1)]", {"SUM(IIF(<a>, 1, 0), MasterData1)"}},
        {"[SUM(Copy('a,)b', 1, 1))]", {"SUM(Copy('a,)b', 1, 1))"}},
        {"[Report.Sum(<x>)] [SUMMARY(<x>)] [MySum(<x>)]", {}},
        {"[SUM(<x>]", {}},           // the call never closes
        {"[SUM(<x>)", {"SUM(<x>)"}}, // the bracket never closes: the rest is the expression
        {"[", {}},
        {"", {}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        list.Clear();
        TfrxMemoView* memo = Memo(footer, c.text);
        list.AddMemo(*memo, master);
        std::vector<AnsiString> got, expected(c.calls.begin(), c.calls.end());
        for (int i = 0; i < list.Count(); ++i)
            got.push_back(list.Items(i).FullText);
        EXPECT_EQ(got, expected);
    }
}

TEST_F(AggregatesTest, CallArgumentsGiveExpressionBandAndFlags) {
    auto* detail = Band<TfrxDetailData>("DetailData1");
    TfrxMemoView* memo =
        Memo(footer, "[SUM( <x> + 1 , DetailData1, 3)][AVG(<x>, , 1)][COUNT(DetailData1, 2)]"
                     "[MAX(<x>, Memo1)][MIN(<x>, Nothing)][COUNT]");
    list.AddMemo(*memo, master);
    ASSERT_EQ(list.Count(), 5);
    struct Expect {
        TfrxAggregateFunction function;
        const char* expression;
        TfrxBand* band;
        bool countInvisible, runningTotal;
    };
    const Expect expected[] = {
        {TfrxAggregateFunction::agSum, "<x> + 1", detail, true, true},
        {TfrxAggregateFunction::agAvg, "<x>", master, true, false},
        {TfrxAggregateFunction::agCount, "", detail, false, true},
        {TfrxAggregateFunction::agMax, "<x>", master, false, false}, // not a band: default
        {TfrxAggregateFunction::agMin, "<x>", master, false, false}, // no such object: default
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const TfrxAggregateItem& item = list.Items(i);
        EXPECT_EQ(item.Function, expected[i].function);
        EXPECT_EQ(item.Expression, expected[i].expression);
        EXPECT_EQ(item.DataBand, expected[i].band);
        EXPECT_EQ(item.ParentBand, footer);
        EXPECT_FALSE(item.IsPageFooter);
        EXPECT_EQ(item.MemoName, memo->Name());
        EXPECT_EQ(item.CountInvisible, expected[i].countInvisible);
        EXPECT_EQ(item.RunningTotal, expected[i].runningTotal);
    }
}

TEST_F(AggregatesTest, FlagsThatAreNoIntegerRaiseConvertError) {
    for (const char* text :
         {"[SUM(<x>, MasterData1, abc)]", "[COUNT(MasterData1, 1.5)]", "[AVG(<x>, , 1 + 1)]"}) {
        SCOPED_TRACE(text);
        list.Clear();
        TfrxMemoView* memo = Memo(footer, text);
        EXPECT_THROW(list.AddMemo(*memo, master), EConvertError);
    }
    list.Clear();
    list.AddExpression("SUM(<x>, , $2)", "M", footer, master);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_TRUE(list.Items(0).RunningTotal);
}

TEST_F(AggregatesTest, ReportVariablesAreLookedInto) {
    report.Variables.Set("Total", Variant("SUM(<x>, MasterData1, 2)"));
    report.Variables.Set("Twice", Variant("Total + AVG(<x>)"));
    report.Variables.Set("Self", Variant("Self + MIN(<x>)"));
    report.Variables.Set("A", Variant("<B> + MAX(<x>)"));
    report.Variables.Set("B", Variant("A + COUNT()"));
    report.Variables.Set("Number", Variant(5));
    report.Variables.Set("My Total", Variant("SUM(<y>)"));
    const std::vector<ParseCase> cases = {
        {"[Total]", {"SUM(<x>, MasterData1, 2)"}},
        {"[<Twice> * 2]", {"SUM(<x>, MasterData1, 2)", "AVG(<x>)"}},
        {"[Self]", {"MIN(<x>)"}},         // holds itself: looked into once
        {"[A]", {"COUNT()", "MAX(<x>)"}}, // a cycle of two
        {"[Total + Total]", {"SUM(<x>, MasterData1, 2)"}},
        {"[<My Total>]", {"SUM(<y>)"}},
        {"[Number + 'Total']", {}},
        {"[SUM(Total)]", {"SUM(Total)"}}, // a row expression is evaluated per row, not scanned
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        list.Clear();
        TfrxMemoView* memo = Memo(footer, c.text);
        list.AddMemo(*memo, master);
        std::vector<AnsiString> got, expected(c.calls.begin(), c.calls.end());
        for (int i = 0; i < list.Count(); ++i)
            got.push_back(list.Items(i).FullText);
        EXPECT_EQ(got, expected);
    }
    // A long chain is followed; non-ASCII letters belong to names.
    for (int i = 0; i < 150; ++i)
        report.Variables.Set("V" + std::to_string(i), Variant("V" + std::to_string(i + 1)));
    report.Variables.Set("V150", Variant("MAX(<chain>)"));
    report.Variables.Set(WideToAnsi(u"Sou\u010Det"), Variant("SUM(<z>)"));
    list.Clear();
    list.AddMemo(*Memo(footer, "[V0]"), master);
    list.AddMemo(*Memo(footer, WideToAnsi(u"[Sou\u010Det]").c_str()), master);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0).FullText, "MAX(<chain>)");
    EXPECT_EQ(list.Items(1).FullText, "SUM(<z>)");

    list.Clear();
    list.AddMemo(*Memo(footer, "[Total]"), master);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).Expression, "<x>");
    EXPECT_TRUE(list.Items(0).RunningTotal);
}

TEST_F(AggregatesTest, MemoSettingsDecideWhatIsScanned) {
    TfrxMemoView* percent = Memo(footer, "<%SUM(<x>)%> [AVG(<x>)]");
    percent->ExpressionDelimiters = "<%,%>";
    TfrxMemoView* off = Memo(footer, "[SUM(<y>)]");
    off->AllowExpressions = false;
    TfrxMemoView* noOpen = Memo(footer, "[SUM(<z>)]");
    noOpen->ExpressionDelimiters = "[";
    Register();
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).FullText, "SUM(<x>)");
}

TEST_F(AggregatesTest, PageRegistrationWalksTheBandTree) {
    auto* footerChild = Band<TfrxChild>("Child1");
    footer->SetChild(footerChild);
    auto* detail = Band<TfrxDetailData>("DetailData1");
    auto* detailFooter = Band<TfrxFooter>("Footer2");
    auto* groupFooter = Band<TfrxGroupFooter>("GroupFooter1");
    auto* summary = Band<TfrxReportSummary>("ReportSummary1");
    auto* vertical = Band<TfrxMasterData>("MasterData2");
    vertical->Vertical = true;
    auto* header = Band<TfrxHeader>("Header1");
    for (TfrxBand* band : std::initializer_list<TfrxBand*>{footer, footerChild, detailFooter,
                                                           groupFooter, pageFooter, columnFooter,
                                                           summary, vertical, header, master})
        Memo(band, "[SUM(<x>)]");

    TfrxAggregatePageBands bands;
    TfrxAggregateBandNode node{master, footer, {groupFooter}, {}};
    node.Details.push_back({detail, detailFooter, {}, {}});
    bands.Masters.push_back(node);
    bands.Masters.push_back({vertical, nullptr, {}, {}});
    bands.PageFooter = pageFooter;
    bands.ColumnFooter = columnFooter;
    bands.ReportSummary = summary;
    list.AddPage(bands);

    // Header1 and the horizontal data band hold no totals.
    std::vector<std::pair<TfrxBand*, TfrxBand*>> got; // (parent, data band)
    for (int i = 0; i < list.Count(); ++i)
        got.emplace_back(list.Items(i).ParentBand, list.Items(i).DataBand);
    const std::vector<std::pair<TfrxBand*, TfrxBand*>> expected = {
        {footer, master},     {footerChild, master}, {groupFooter, master},  {detailFooter, detail},
        {vertical, vertical}, {pageFooter, master},  {columnFooter, master}, {summary, master},
    };
    EXPECT_EQ(got, expected);
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.Items(i).IsPageFooter, list.Items(i).ParentBand == pageFooter);

    // Without masters the page-level bands have no default band: nothing.
    list.Clear();
    TfrxAggregatePageBands empty;
    empty.PageFooter = pageFooter;
    list.AddPage(empty);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(AggregatesTest, ParentBandResolverPlacesVerticalCells) {
    auto* vertical = Band<TfrxMasterData>("MasterData2");
    vertical->Vertical = true;
    TfrxMemoView* cell = Memo(vertical, "[SUM(<x>, MasterData1)]");
    list.ParentBandOf = [&](TfrxCustomMemoView& memo) -> TfrxBand* {
        return &memo == cell ? footer : nullptr;
    };
    TfrxAggregatePageBands bands;
    bands.Masters.push_back({master, nullptr, {}, {}});
    bands.Masters.push_back({vertical, nullptr, {}, {}});
    list.AddPage(bands);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).ParentBand, footer);
    EXPECT_EQ(list.Items(0).DataBand, master);
}

// ---------------------------------------------------------------- vertical columns

TEST_F(AggregatesTest, VerticalColumnsHaveTheirOwnValues) {
    list.AddExpression("SUM(<x>)", "M", footer, master);
    row["<x>"] = 2;
    list.AccumulateRow(master, 1);
    list.AccumulateRow(master, 1);
    row["<x>"] = 5;
    list.AccumulateRow(master, TfrxAggregateList::kMaxColumn);
    list.AccumulateRow(master, TfrxAggregateList::kMaxColumn + 1); // ignored
    list.AccumulateRow(master, -1);                                // ignored
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 0, nullptr, 1), 4));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 0, nullptr, 2), 0));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 0, nullptr, 1000), 5));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 0, nullptr, 1001), 0));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 0, nullptr, -5), 0));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM"), 0)); // the running value is apart
    list.Reset(footer);
    EXPECT_TRUE(VarEquals(Value(footer, "SUM", "<x>", 0, nullptr, 1), 0));
}

// ---------------------------------------------------------------- keep mode

TEST_F(AggregatesTest, KeptRowsJoinThePageFooterWhenTheBlockStaysOnThePage) {
    Memo(pageFooter, "[SUM(<x>)]");
    Memo(footer, "[SUM(<x>)]");
    Register();
    Rows({1, 2});
    list.StartKeep();
    EXPECT_TRUE(list.Keeping());
    Rows({4});
    list.StartKeep(); // already keeping: the collected rows stay
    Rows({8});
    EXPECT_TRUE(VarEquals(Value(pageFooter, "SUM"), 3));
    EXPECT_TRUE(VarEquals(Value(footer, "SUM"), 15)); // other bands take rows at once
    list.EndKeep();
    EXPECT_FALSE(list.Keeping());
    EXPECT_TRUE(VarEquals(Value(pageFooter, "SUM"), 15));
    list.EndKeep(); // not keeping: nothing joins twice
    EXPECT_TRUE(VarEquals(Value(pageFooter, "SUM"), 15));
}

TEST_F(AggregatesTest, AKeptBlockMovedToANewPageStartsItsTotals) {
    Memo(pageFooter, "[SUM(<x>)] [COUNT()] [MIN(<x>, , 2)]");
    Register();
    Rows({1, 2});
    list.StartKeep();
    Rows({4, 8});
    // The old page's footer prints without the block, then resets.
    EXPECT_TRUE(VarEquals(Value(pageFooter, "SUM"), 3));
    EXPECT_TRUE(VarEquals(Value(pageFooter, "COUNT", ""), 2));
    list.Reset(pageFooter);
    list.KeepBlockMoved();
    EXPECT_FALSE(list.Keeping());
    EXPECT_TRUE(VarEquals(Value(pageFooter, "SUM"), 12));
    EXPECT_TRUE(VarEquals(Value(pageFooter, "COUNT", ""), 2));
    EXPECT_TRUE(VarEquals(Value(pageFooter, "MIN", "<x>", 2), 1)); // a running total goes on
    Rows({16});
    EXPECT_TRUE(VarEquals(Value(pageFooter, "SUM"), 28));
}

TEST_F(AggregatesTest, ADataFooterMovedWithItsLastRowTakesTheRowAlong) {
    // KeepFooter: keep mode starts when the footer is shown, after the last
    // row was taken; the footer does not fit and moves with that row.
    Memo(pageFooter, "[SUM(<x>)] [AVG(<x>)]");
    Memo(columnFooter, "[SUM(<x>)]");
    Register();
    Rows({1, 2, 4});
    list.StartKeep();
    list.DropLastValue(master);
    EXPECT_TRUE(VarEquals(Value(pageFooter, "SUM"), 3));
    EXPECT_TRUE(VarEquals(Value(pageFooter, "AVG"), 1.5));
    EXPECT_TRUE(VarEquals(Value(columnFooter, "SUM"), 3));
    list.DropLastValue(master); // only the last row can be taken out
    EXPECT_TRUE(VarEquals(Value(pageFooter, "SUM"), 3));
    list.Reset(pageFooter);
    list.Reset(columnFooter);
    list.KeepBlockMoved();
    list.RestoreLastValue(master);
    EXPECT_TRUE(VarEquals(Value(pageFooter, "SUM"), 4));
    EXPECT_TRUE(VarEquals(Value(pageFooter, "AVG"), 4));
    EXPECT_TRUE(VarEquals(Value(columnFooter, "SUM"), 4));
    list.RestoreLastValue(master); // only once
    EXPECT_TRUE(VarEquals(Value(columnFooter, "SUM"), 4));
}

TEST_F(AggregatesTest, NothingIsDroppedAfterAResetOrAnInvisibleRow) {
    Memo(footer, "[SUM(<x>)]");
    Register();
    Rows({1, 2});
    list.Reset(footer);
    list.DropLastValue(master);
    list.RestoreLastValue(master);
    EXPECT_TRUE(VarEquals(Value(footer, "SUM"), 0));
    Rows({5});
    master->SetVisible(false);
    Rows({7});
    list.DropLastValue(master); // the last row was not taken: 5 stays
    EXPECT_TRUE(VarEquals(Value(footer, "SUM"), 5));
}

// ---------------------------------------------------------------- with the report's Calc

TEST_F(AggregatesTest, ScriptFunctionsReachTheListThroughTheAggregateHook) {
    Memo(footer, "[FormatFloat('0', SUM(<x>, MasterData1))] [IIF(COUNT(MasterData1) > 2, "
                 "AVG(<x>), 0)]");
    Register();
    TfrxReportExpressions ex(report);
    report.ScriptText = {"begin", "", "end."};
    ASSERT_TRUE(ex.PrepareScript());
    list.Calc = [&](const AnsiString& expr) { return ex.Calc(expr); };
    ex.Aggregate = [&](const AnsiString& name, const AnsiString& expr, TfrxBand* band, int flags) {
        return list.AggregateValue(footer, 0, name, expr, band, flags);
    };
    for (const Variant& v : {Variant(2), Variant::Null(), Variant(4)}) {
        report.Variables.Set("x", v);
        list.AccumulateRow(master, 0);
    }
    EXPECT_EQ(VarToStr(ex.Calc("FormatFloat('0', SUM(<x>, MasterData1))")), "6");
    EXPECT_TRUE(VarEquals(ex.Calc("IIF(COUNT(MasterData1) > 2, AVG(<x>), 0)"), 3));
    EXPECT_TRUE(ex.Calc("SUM(<x>, MasterData1, 2)").IsNull()); // no such item
}

} // namespace
} // namespace kanvo
