// Expressions of a report: Calc, the value lookup, the expression cache, the
// script functions and the preparation of the report script.
#include "report/engine/expressions.h"

#include "platform/code_page.h"
#include "report/model/bands.h"
#include "report/model/dataset.h"
#include "report/model/pages.h"
#include "report/model/resources.h"
#include "report/model/views.h"

#include <gtest/gtest.h>

#include <map>

namespace kanvo {
namespace {

// A data source with one row of fixed values.
class FakeDataSet : public TfrxDataSet {
public:
    struct Field {
        Variant value;
        TfrxFieldType type;
    };
    std::map<AnsiString, Field> fields;

    Variant Value(const AnsiString& name) override {
        auto it = fields.find(name);
        return it == fields.end() ? Variant::Null() : it->second.value;
    }
    TfrxFieldType FieldType(const AnsiString& name) override {
        auto it = fields.find(name);
        return it == fields.end() ? TfrxFieldType::fftNumeric : it->second.type;
    }
};

class ExpressionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
        band = TfrxComponent::Create<TfrxMasterData>(page);
        band->SetName("MasterData1");
        memo = TfrxComponent::Create<TfrxMemoView>(band);
        memo->SetName("Memo1");
        data.SetUserName("DS");
        data.fields["n"] = {Variant(7), TfrxFieldType::fftNumeric};
        report.DataSets.Add().DataSet.Set(&data);
        run.PageIndex = 2;
        ex.SetRunValues(&run);
    }
    // Prepares the report script from these lines.
    bool Prepare(std::vector<AnsiString> lines = {"begin", "", "end."}) {
        report.ScriptText = std::move(lines);
        return ex.PrepareScript();
    }
    std::vector<AnsiString> Errors() const { return {report.Errors.begin(), report.Errors.end()}; }

    TfrxReport report;
    TfrxReportPage* page = nullptr;
    TfrxMasterData* band = nullptr;
    TfrxMemoView* memo = nullptr;
    FakeDataSet data;
    TfrxFixedRunValues run;
    TfrxReportExpressions ex{report};
};

TEST_F(ExpressionsTest, SystemVariablesResolveWithoutCompiling) {
    ASSERT_EQ(report.SystemVariableNames,
              (std::vector<AnsiString>{"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#",
                                       "Line", "Line#", "CopyName#"}));
    ASSERT_TRUE(Prepare());
    run.Date = 46000;
    run.Time = 0.5;
    run.PageNo = 1;
    run.TotalPagesLogical = 4;
    run.TotalPagesCount = 9;
    run.LineNo = 5;
    run.LineThroughNo = 12;
    frxGlobalVariables().Set("CopyName0", Variant("Kopie"));
    struct Case {
        const char* name;
        Variant expected;
    } cases[] = {
        {"Date", Variant::FromDate(46000)},
        {"Time", Variant::FromDate(0.5)},
        {"Page", Variant(1)},
        {"Page#", Variant(3)},
        {"page#", Variant(3)},
        {"TotalPages", Variant(4)},
        {"TotalPages#", Variant(9)},
        {"Line", Variant(5)},
        {"LINE#", Variant(12)},
        {"CopyName#", Variant("Kopie")},
    };
    for (const Case& c : cases) {
        Variant v = ex.Calc(c.name);
        EXPECT_TRUE(VarEquals(v, c.expected)) << c.name << " gave " << VarToStr(v);
    }
    EXPECT_EQ(ex.Calc("Date").Type(), VarType::Date);
    EXPECT_EQ(ex.Cache().Count(), 0);
    frxGlobalVariables().Clear();
}

TEST_F(ExpressionsTest, WrappersAreNumberedAndSharedAcrossLetterCase) {
    ASSERT_TRUE(Prepare());
    EXPECT_TRUE(VarEquals(ex.Calc("<Page#> + 1"), Variant(4)));
    EXPECT_EQ(ex.Cache().FunctionName("<Page#> + 1"), "fr3f0");
    EXPECT_TRUE(VarEquals(ex.Calc("<Page#> * 10"), Variant(30)));
    EXPECT_EQ(ex.Cache().FunctionName("<Page#> * 10"), "fr3f1");
    run.PageIndex = 4;
    EXPECT_TRUE(VarEquals(ex.Calc("<PAGE#> + 1"), Variant(6)));
    EXPECT_EQ(ex.Cache().FunctionName("<page#> + 1"), "fr3f0");
    EXPECT_EQ(ex.Cache().Count(), 2);
    // The earlier wrapper still runs after later ones were compiled.
    EXPECT_TRUE(VarEquals(ex.Calc("<Page#> + 1"), Variant(6)));
    // A preparation starts the numbering again.
    ASSERT_TRUE(Prepare());
    EXPECT_EQ(ex.Cache().Count(), 0);
    ex.Calc("<Page#> * 10");
    EXPECT_EQ(ex.Cache().FunctionName("<Page#> * 10"), "fr3f0");
}

TEST_F(ExpressionsTest, FailedCompileKeepsTheNextNumberFree) {
    ASSERT_TRUE(Prepare());
    EXPECT_THROW(ex.Calc("1 +"), EExpressionError);
    EXPECT_EQ(ex.Cache().Count(), 0);
    EXPECT_TRUE(VarEquals(ex.Calc("2 + 2"), Variant(4)));
    EXPECT_EQ(ex.Cache().FunctionName("2 + 2"), "fr3f0");
}

TEST(ExpressionCacheTest, WrapperTextsPerLanguage) {
    struct Case {
        const char* language;
        const char* text;
    } cases[] = {
        {"PascalScript", "function fr3f3: Variant; begin Result := a + 1 end; begin end."},
        {"pascalscript", "function fr3f3: Variant; begin Result := a + 1 end; begin end."},
        {"C++Script", "Variant fr3f3() { return a + 1; } {}"},
        {"BasicScript", "function fr3f3\r\nreturn a + 1\r\nend function"},
        {"JScript", "function fr3f3() { return a + 1; }"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TfrxExpressionCache::WrapperSource(c.language, 3, "a + 1"), c.text) << c.language;
    EXPECT_FALSE(TfrxExpressionCache::WrapperSource("Lua", 3, "a + 1"));
}

TEST_F(ExpressionsTest, ReportVariables) {
    report.Variables.Set("six", Variant("2*3"));
    report.Variables.Set("lines", Variant("a\r\nb"));
    report.Variables.Set("number", Variant(5));
    report.Variables.Set("next", Variant("<six> + 1"));
    report.Variables.Set("wide", Variant(u"3*3"));
    ASSERT_TRUE(Prepare());
    EXPECT_TRUE(VarEquals(ex.Calc("six"), Variant(6)));
    EXPECT_TRUE(VarEquals(ex.Calc("SIX"), Variant(6)));
    EXPECT_EQ(VarToStr(ex.Calc("lines")), "a\r\nb");
    EXPECT_TRUE(VarEquals(ex.Calc("number"), Variant(5)));
    EXPECT_TRUE(VarEquals(ex.Calc("next"), Variant(7)));
    EXPECT_TRUE(VarEquals(ex.Calc("<next> * 2"), Variant(14)));
    EXPECT_TRUE(VarEquals(ex.Calc("wide"), Variant(9)));
    EXPECT_TRUE(report.Errors.empty());
}

TEST_F(ExpressionsTest, NullFieldsByConvertNulls) {
    data.fields["num"] = {Variant::Null(), TfrxFieldType::fftNumeric};
    data.fields["str"] = {Variant::Null(), TfrxFieldType::fftString};
    data.fields["bool"] = {Variant::Null(), TfrxFieldType::fftBoolean};
    ASSERT_TRUE(Prepare());
    struct Case {
        bool convert;
        const char* name;
        Variant expected;
        VarType type;
    } cases[] = {
        {true, "DS.\"num\"", Variant(0), VarType::Integer},
        {true, "ds.\"str\"", Variant(""), VarType::String},
        {true, "DS.\"bool\"", Variant(false), VarType::Boolean},
        {true, "DS.\"n\"", Variant(7), VarType::Integer},
        {false, "DS.\"num\"", Variant::Null(), VarType::Null},
        {false, "DS.\"str\"", Variant::Null(), VarType::Null},
        {false, "DS.\"bool\"", Variant::Null(), VarType::Null},
    };
    for (const Case& c : cases) {
        report.EngineOptions.ConvertNulls = c.convert;
        Variant direct = ex.Calc(c.name);
        EXPECT_EQ(direct.Type(), c.type) << c.name << " convert=" << c.convert;
        EXPECT_TRUE(VarEquals(direct, c.expected)) << c.name << " convert=" << c.convert;
        Variant viaGet = ex.Get(c.name);
        EXPECT_TRUE(VarEquals(viaGet, c.expected)) << c.name << " convert=" << c.convert;
    }
    // Fields in an expression go through Get; the lookup of the whole text
    // does not take "<DS" for an alias.
    report.EngineOptions.ConvertNulls = true;
    EXPECT_TRUE(VarEquals(ex.Calc("<DS.\"n\"> + <DS.\"num\">"), Variant(7)));
    EXPECT_EQ(ex.Calc("<DS.\"str\"> + 'x'").AnsiValue(), "x");
    EXPECT_TRUE(report.Errors.empty());
}

TEST_F(ExpressionsTest, UnknownNameIsListedOnceAndDoesNotRaise) {
    ASSERT_TRUE(Prepare());
    report.CurrentObjectName = "Memo1";
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(VarEquals(ex.Calc("<nosuch> + 1"), Variant(1)));
    EXPECT_TRUE(ex.Get("other").IsEmpty());
    EXPECT_EQ(Errors(), (std::vector<AnsiString>{frxGet("clUnknownVar") + " nosuch",
                                                 frxGet("clUnknownVar") + " other"}));
}

TEST_F(ExpressionsTest, SyntaxErrorOfMemo1GivesOneLine) {
    ASSERT_TRUE(Prepare());
    report.CurrentObjectName = "Memo1";
    AnsiString prefix = "Memo1: " + frxGet("clExprError") + " '<DS.\"n\"> +': ";
    AnsiString raised;
    for (int i = 0; i < 2; ++i) {
        try {
            ex.Calc("<DS.\"n\"> +");
            ADD_FAILURE() << "no exception";
        } catch (const EExpressionError& e) {
            raised = e.Message();
        }
    }
    ASSERT_EQ(report.Errors.size(), 1u);
    const AnsiString& line = *report.Errors.begin();
    EXPECT_EQ(line, raised);
    ASSERT_GT(line.size(), prefix.size());
    EXPECT_EQ(line.substr(0, prefix.size()), prefix);
    // The script's own message follows.
    EXPECT_NE(line.find("expected"), AnsiString::npos) << line;
}

TEST_F(ExpressionsTest, ErrorWithoutObjectNameHasNoPrefix) {
    ASSERT_TRUE(Prepare());
    EXPECT_THROW(ex.Calc("1 +"), EExpressionError);
    ASSERT_EQ(report.Errors.size(), 1u);
    EXPECT_EQ(report.Errors.begin()->rfind(frxGet("clExprError") + " '1 +': ", 0), 0u);
}

TEST_F(ExpressionsTest, RuntimeErrorIsListedWithItsMessage) {
    ASSERT_TRUE(Prepare());
    report.CurrentObjectName = "Memo1";
    EXPECT_THROW(ex.Calc("<DS.\"n\"> div 0"), EExpressionError);
    EXPECT_EQ(Errors(), (std::vector<AnsiString>{"Memo1: Division by zero"}));
}

TEST_F(ExpressionsTest, ErrorOfANestedExpressionIsListedOnce) {
    report.Variables.Set("broken", Variant("1 +"));
    ASSERT_TRUE(Prepare());
    report.CurrentObjectName = "Memo1";
    EXPECT_THROW(ex.Calc("<broken> * 2"), EExpressionError);
    ASSERT_EQ(report.Errors.size(), 1u);
    EXPECT_EQ(report.Errors.begin()->rfind("Memo1: " + frxGet("clExprError") + " '1 +': ", 0), 0u);
}

TEST_F(ExpressionsTest, SelfReferringVariablesGiveAnErrorNotAStackOverflow) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> variables;
        const char* expr;
    } cases[] = {
        {{{"a", "a"}}, "a"},
        {{{"a", "<a> + 1"}}, "a"},
        {{{"a", "<a> + 1"}}, "<a> * 2"},
        {{{"a", "b"}, {"b", "<a>"}}, "a"},
        {{{"a", "IIF(True, <a>, 0)"}}, "a"},
    };
    for (const Case& c : cases) {
        report.Variables.Clear();
        report.Errors.clear();
        for (auto& [name, value] : c.variables)
            report.Variables.Set(name, Variant(value));
        ASSERT_TRUE(Prepare());
        report.CurrentObjectName = "Memo1";
        EXPECT_THROW(ex.Calc(c.expr), EExpressionError) << c.expr;
        ASSERT_EQ(report.Errors.size(), 1u) << c.expr;
        const AnsiString& line = *report.Errors.begin();
        EXPECT_EQ(line.rfind("Memo1: " + frxGet("clExprError"), 0), 0u) << line;
        EXPECT_NE(line.find("refers to itself"), AnsiString::npos) << line;
        // The guard is released: a sound variable still works afterwards.
        report.Variables.Set("ok", Variant("2+2"));
        EXPECT_TRUE(VarEquals(ex.Calc("ok"), Variant(4)));
    }
}

TEST_F(ExpressionsTest, VeryLongVariableChainStopsWithAnError) {
    const int n = 1000;
    for (int i = 0; i < n; ++i)
        report.Variables.Set("v" + std::to_string(i),
                             Variant(i + 1 < n ? "v" + std::to_string(i + 1) : AnsiString("1")));
    ASSERT_TRUE(Prepare());
    EXPECT_THROW(ex.Calc("v0"), EExpressionError);
    ASSERT_EQ(report.Errors.size(), 1u);
    EXPECT_NE(report.Errors.begin()->find("nested too deeply"), AnsiString::npos);
    // A chain within the limit works.
    EXPECT_TRUE(VarEquals(ex.Calc("v900"), Variant(1)));
}

TEST_F(ExpressionsTest, LookupOrder) {
    // The host is asked after the system variables and before the report
    // variables; a global variable is returned as stored, not evaluated.
    report.Variables.Set("Shared", Variant("1+1"));
    report.Variables.Set("Page", Variant("100"));
    frxGlobalVariables().Set("Glob", Variant("2*3"));
    frxGlobalVariables().Set("six", Variant(99));
    report.Variables.Set("six", Variant("2*3"));
    ex.OnGetValue = [](const AnsiString& name, Variant& value) {
        if (SameTextAscii(name, "shared") || SameTextAscii(name, "Page#"))
            value = Variant("host");
    };
    ASSERT_TRUE(Prepare({"var Counter: Integer;", "function Twice: Integer;",
                         "begin Result := Counter * 2 end;", "begin Counter := 21; end."}));
    EXPECT_TRUE(VarEquals(ex.Calc("Page#"), Variant(3)));
    EXPECT_TRUE(VarEquals(ex.Calc("Page"), Variant(0)));
    EXPECT_EQ(VarToStr(ex.Calc("shared")), "host");
    EXPECT_TRUE(VarEquals(ex.Calc("six"), Variant(6)));
    EXPECT_EQ(VarToStr(ex.Calc("Glob")), "2*3");
    EXPECT_TRUE(VarEquals(ex.Calc("Counter"), Variant(0)));
    ex.Script().Execute();
    EXPECT_TRUE(VarEquals(ex.Calc("counter"), Variant(21)));
    EXPECT_TRUE(VarEquals(ex.Calc("Twice"), Variant(42)));
    EXPECT_EQ(ex.Calc("Memo1").ToObject(), memo);
    EXPECT_TRUE(ex.Calc("Value").IsNull());
    // Only the text of the report variable needed a wrapper.
    EXPECT_EQ(ex.Cache().Count(), 1);
    EXPECT_EQ(ex.Cache().FunctionName("2*3"), "fr3f0");
    EXPECT_FALSE(ex.LookupValue("Nobody"));
    frxGlobalVariables().Clear();
}

TEST_F(ExpressionsTest, PreparationAddsObjectsAndFunctions) {
    Object engine, outline;
    auto* picture = TfrxComponent::Create<TfrxPictureView>(band);
    picture->SetName("Picture1");
    report.ScriptText = {"begin", "end."};
    ASSERT_TRUE(ex.PrepareScript(&engine, &outline));
    // The prepared pages take every picture again in a new run.
    EXPECT_TRUE(picture->PictureChanged);
    EXPECT_EQ(ex.Calc("Picture1").ToObject(), picture);
    EXPECT_EQ(ex.Calc("Engine").ToObject(), &engine);
    EXPECT_EQ(ex.Calc("Outline").ToObject(), &outline);
    EXPECT_EQ(ex.Calc("Report").ToObject(), &report);
    EXPECT_EQ(ex.Calc("MasterData1").ToObject(), band);
    EXPECT_EQ(VarToStr(ex.Calc("Memo1.Name")), "Memo1");
    ASSERT_NE(ex.Script().Variable("Value"), nullptr);
    *ex.Script().Variable("Value") = Variant(12);
    EXPECT_TRUE(VarEquals(ex.Calc("Value + 1"), Variant(13)));
    // Without them the names are unknown.
    ASSERT_TRUE(Prepare());
    EXPECT_FALSE(ex.LookupValue("Engine"));
    EXPECT_FALSE(ex.LookupValue("Outline"));
}

TEST_F(ExpressionsTest, PreparationCompileErrorIsListed) {
    EXPECT_FALSE(Prepare({"begin", "  x := ;", "end."}));
    ASSERT_EQ(report.Errors.size(), 1u);
    AnsiString pos = ex.Script().ErrorPos();
    EXPECT_EQ(pos.rfind("2:", 0), 0u) << pos;
    EXPECT_FALSE(ex.Script().ErrorMsg().empty());
    EXPECT_EQ(*report.Errors.begin(), Format(frxGet("clScrError"), {pos, ex.Script().ErrorMsg()}));
}

TEST_F(ExpressionsTest, IIFEvaluatesOneBranch) {
    ASSERT_TRUE(
        Prepare({"var Limit, Cur: Integer;", "function Mark(S: String): String;",
                 "begin Set('hit_' + S, 1); Result := S end;", "function Pick(N: Integer): String;",
                 "begin Cur := N; Result := IIF(Cur > Limit, Mark('big'), Mark('small')) end;",
                 "begin Limit := 10 end."}));
    ex.Script().Execute();
    struct Case {
        const char* expr;
        const char* result;
        const char* hit;
        const char* missed;
    } cases[] = {
        {"IIF(<Page#> = 3, Mark('t'), Mark('f'))", "t", "hit_t", "hit_f"},
        {"IIF(<Page#> = 4, Mark('t2'), Mark('f2'))", "f2", "hit_f2", "hit_t2"},
        {"IIF(Null, Mark('t3'), Mark('f3'))", "f3", "hit_f3", "hit_t3"},
        {"IIF(True, IIF(False, Mark('a'), Mark('b')), Mark('c'))", "b", "hit_b", "hit_a"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VarToStr(ex.Calc(c.expr)), c.result) << c.expr;
        EXPECT_GE(report.Variables.IndexOf(c.hit), 0) << c.expr;
        EXPECT_LT(report.Variables.IndexOf(c.missed), 0) << c.expr;
    }
    EXPECT_LT(report.Variables.IndexOf("hit_c"), 0);
    // Called from the report script, the condition and the branches see its
    // global names (a routine's locals are not names of the script).
    std::vector<Variant> args{Variant(11)};
    EXPECT_EQ(VarToStr(ex.Script().CallFunction("Pick", args)), "big");
    EXPECT_LT(report.Variables.IndexOf("hit_small"), 0);
    EXPECT_TRUE(report.Errors.empty());
}

TEST_F(ExpressionsTest, SetStoresReportVariablesWithoutCase) {
    ASSERT_TRUE(Prepare({"procedure Store;", "begin Set('Total', 5); Set('TOTAL', 7);",
                         "Set('Name', '''Eva''') end;", "begin end."}));
    ex.Script().CallFunction("Store");
    EXPECT_EQ(report.Variables.Count(), 2);
    EXPECT_TRUE(VarEquals(report.Variables.Get("total"), Variant(7)));
    EXPECT_TRUE(VarEquals(ex.Calc("<Total> + 1"), Variant(8)));
    // A text value is an expression when read back.
    EXPECT_EQ(VarToStr(ex.Calc("Name")), "Eva");
}

TEST_F(ExpressionsTest, AggregatesGoToTheEngineLookup) {
    data.fields["price"] = {Variant(3), TfrxFieldType::fftNumeric};
    ASSERT_TRUE(Prepare());
    struct Call {
        AnsiString name, expr;
        TfrxBand* band;
        int flags;
    };
    std::vector<Call> calls;
    ex.Aggregate = [&](const AnsiString& name, const AnsiString& expr, TfrxBand* b, int flags) {
        calls.push_back({name, expr, b, flags});
        return Variant(100);
    };
    EXPECT_TRUE(VarEquals(ex.Get("SUM(x)"), Variant(100)));
    EXPECT_TRUE(VarEquals(ex.Get(" avg (<DS.\"price\"> * 2, MasterData1, 1 + 2)"), Variant(100)));
    EXPECT_TRUE(
        VarEquals(ex.Calc("COUNT(MasterData1) + MIN(<DS.\"price\">, 0 , 2)"), Variant(200)));
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].name, "SUM");
    EXPECT_EQ(calls[0].expr, "x");
    EXPECT_EQ(calls[0].band, nullptr);
    EXPECT_EQ(calls[0].flags, 0);
    EXPECT_EQ(calls[1].name, "AVG");
    EXPECT_EQ(calls[1].expr, "<DS.\"price\"> * 2");
    EXPECT_EQ(calls[1].band, band);
    EXPECT_EQ(calls[1].flags, 3);
    EXPECT_EQ(calls[2].name, "COUNT");
    EXPECT_EQ(calls[2].expr, "");
    EXPECT_EQ(calls[2].band, band);
    EXPECT_EQ(calls[3].name, "MIN");
    EXPECT_EQ(calls[3].band, nullptr);
    EXPECT_EQ(calls[3].flags, 2);
    // Not an aggregate: an unknown name.
    EXPECT_TRUE(ex.Get("FOO(x)").IsEmpty());
    EXPECT_EQ(Errors(), (std::vector<AnsiString>{frxGet("clUnknownVar") + " FOO(x)"}));
    // Without the engine's lookup the aggregates are Null.
    ex.Aggregate = nullptr;
    EXPECT_TRUE(ex.Get("MAX(x)").IsNull());
}

} // namespace
} // namespace kanvo
