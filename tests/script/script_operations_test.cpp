// The operations the report relies on: objects, variables, host methods,
// macrofunctions, calls by name, find through the parent, stop, the
// angle-bracket references and the expression wrappers.
#include "tests/script/script_test_support.h"

namespace kanvo::test {
namespace {

TEST(ScriptObjects, PropertiesNestedObjectsIndexedPropertiesAndMethods) {
    FakeMemo memo;
    TfsScript script;
    script.AddObject("Memo1", &memo);
    std::string out = RunMain("begin\n"
                              "  Memo1.Visible := False;\n"
                              "  Memo1.Font.Size := Memo1.Font.Size + 2;\n"
                              "  Memo1.Variables['x'] := 'seven';\n"
                              "  Memo1.Add('ab'); Memo1.Add('c');\n"
                              "  memo1.NewPage;\n"
                              "  ShowMessage(Memo1.Variables['x'] + ' ' + Memo1.Text);\n"
                              "  with Memo1 do begin Text := Text + '!'; NewPage end;\n"
                              "  with Memo1.Font do Size := 20\n"
                              "end.",
                              &script);
    EXPECT_EQ(out, "seven abc\n");
    EXPECT_FALSE(memo.visible);
    EXPECT_EQ(memo.fontSize, 20);
    EXPECT_EQ(memo.text, "abc!");
    EXPECT_EQ(memo.pages, 2);
}

TEST(ScriptObjects, UnknownMembersAndNonObjectsRaise) {
    FakeMemo memo;
    TfsScript script;
    script.AddObject("Memo1", &memo);
    script.SetLines("var i: Integer; begin Memo1.Colour := 1 end.");
    ASSERT_TRUE(script.Compile());
    EXPECT_THROW(script.Execute(), EScriptError);
    script.SetLines("var i: Integer; begin ShowMessage(i.Text) end.");
    ASSERT_TRUE(script.Compile());
    try {
        script.Execute();
        FAIL();
    } catch (const EScriptError& e) {
        EXPECT_EQ(e.Message(), "Object expected before '.Text'");
    }
}

TEST(ScriptVariables, HostReadsAndWritesValue) {
    TfsScript script;
    script.AddVariable("Value", "Variant", Variant::Null());
    script.SetLines(
        "function Doubled: Variant; begin Result := Value * 2; Value := 'seen' end; begin end.");
    ASSERT_TRUE(script.Compile());
    *script.Variable("value") = Variant(21);
    EXPECT_EQ(script.CallFunction("Doubled").ToInt32(), 42);
    EXPECT_EQ(VarToStr(*script.Variable("Value")), "seen");
}

TEST(ScriptMethods, HostCallbackGetsNameArgumentsAndDefaults) {
    TfsScript script;
    std::vector<std::string> calls;
    script.AddMethod("function Sum3(A: Integer; B: Integer = 10; C: Variant = 'x'): Variant",
                     [&](const AnsiString& name, std::vector<Variant>& a) {
                         calls.push_back(name + ":" + VarToStr(a[0]) + "," + VarToStr(a[1]) + "," +
                                         VarToStr(a[2]));
                         return Variant(static_cast<int>(a.size()));
                     });
    EXPECT_EQ(Eval(script, "Sum3(1) + Sum3(1, 2) + Sum3(1, 2, 3)").ToInt32(), 9);
    EXPECT_EQ(calls, (std::vector<std::string>{"Sum3:1,10,x", "Sum3:1,2,x", "Sum3:1,2,3"}));
}

TEST(ScriptMethods, MacrofunctionArgumentsArriveAsSourceText) {
    TfsScript script;
    std::vector<Variant> seen;
    script.AddMethod(
        "macrofunction SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
        [&](const AnsiString&, std::vector<Variant>& a) {
            seen = a;
            return Variant(1);
        });
    // The argument names are unknown to the script: as texts they need not be.
    Eval(script, "SUM(<frxDBDataset1.\"cena\"> * 2, MasterData1)");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(VarToStr(seen[0]), "<frxDBDataset1.\"cena\"> * 2");
    EXPECT_EQ(VarToStr(seen[1]), "MasterData1");
    EXPECT_EQ(VarToStr(seen[2]), "0");
    EXPECT_TRUE(seen[0].IsString());
}

TEST(ScriptMethods, BadDeclarationRaises) {
    TfsScript script;
    EXPECT_THROW(script.AddMethod("function (X): Variant", nullptr), EScriptError);
    EXPECT_THROW(script.AddMethod("begin end", nullptr), EScriptError);
}

TEST(ScriptCalls, ArgumentsWrittenBackForVarParametersUnknownNamesNull) {
    TfsScript script;
    script.SetLines("procedure OnRunDialogs(var Result: Boolean; N: Integer); begin Result := N > "
                    "1; N := 0 end;\n"
                    "function Add(A, B: Integer): Integer; begin Result := A + B end;\nbegin end.");
    ASSERT_TRUE(script.Compile());
    std::vector<Variant> args{Variant(true), Variant(1)};
    script.CallFunction("onrundialogs", args);
    EXPECT_EQ(args[0].ToBool(), false);
    EXPECT_EQ(args[1].ToInt32(), 0); // value parameters come back unchanged by the caller's choice
    std::vector<Variant> two{Variant(2), Variant(3)};
    EXPECT_EQ(script.CallFunction("Add", two).ToInt32(), 5);
    EXPECT_TRUE(script.CallFunction("NoSuchHandler").IsNull());
    EXPECT_FALSE(script.MainHasStatements());
    std::vector<Variant> none;
    EXPECT_THROW(script.CallFunction("Add", none), EScriptError);
}

TEST(ScriptCalls, HostMethodVarArgumentsWrittenBack) {
    EXPECT_EQ(RunMain("var s: String; y, m, d: Integer; begin s := 'abcdef'; Delete(s, 2, 3); "
                      "Insert('XY', s, 2);\n"
                      "DecodeDate(EncodeDate(2023, 7, 9), y, m, d); ShowMessage(s + ' ' + "
                      "IntToStr(y * 10000 + m * 100 + d)) end."),
              "aXYef 20230709\n");
}

TEST(ScriptMain, HasStatementsAndExecute) {
    TfsScript script;
    script.SetLines("begin\n\nend.");
    ASSERT_TRUE(script.Compile());
    EXPECT_FALSE(script.MainHasStatements());
    script.SetLines("var n: Integer; begin n := 5 end.");
    ASSERT_TRUE(script.Compile());
    EXPECT_TRUE(script.MainHasStatements());
    script.Execute();
    EXPECT_EQ(script.Variable("N")->ToInt32(), 5);
}

TEST(ScriptScope, FindSearchesScriptThenParent) {
    FakeMemo memo;
    TfsScript report;
    report.AddObject("Memo1", &memo);
    report.SetLines("var Total: Integer; function Answer: Integer; begin Result := 42 end; begin "
                    "Total := 7 end.");
    ASSERT_TRUE(report.Compile());
    report.Execute();
    TfsScript cache(&report);
    cache.SetLines("var Local: String; begin Local := 'x' end.");
    ASSERT_TRUE(cache.Compile());
    EXPECT_EQ(cache.Find("total")->ToInt32(), 7);
    EXPECT_EQ(cache.Find("ANSWER")->ToInt32(), 42); // a function is called
    EXPECT_EQ(cache.Find("Memo1")->ToObject(), &memo);
    EXPECT_TRUE(cache.Find("Local").has_value());
    EXPECT_FALSE(cache.Find("Missing").has_value());
    EXPECT_FALSE(report.Find("Local").has_value());
    // Expressions of the child script use the parent's names.
    EXPECT_EQ(Eval(cache, "Answer + Total").ToInt32(), 49);
}

TEST(ScriptScope, WrappersCompileOneAfterAnotherEarlierStayValid) {
    TfsScript report;
    report.SetLines("var Rate: Integer; begin Rate := 3 end.");
    ASSERT_TRUE(report.Compile());
    report.Execute();
    TfsScript cache(&report);
    const char* exprs[] = {"Rate * 2", "'#' + IntToStr(Rate)", "fr3f0 + 1"};
    for (int n = 0; n < 3; ++n) {
        cache.SetLines("function fr3f" + std::to_string(n) +
                       ": Variant; begin Result := " + exprs[n] + " end; begin end.");
        ASSERT_TRUE(cache.Compile()) << cache.ErrorMsg();
    }
    // A failed wrapper leaves the earlier ones alone.
    cache.SetLines("function fr3f3: Variant; begin Result := Rate + end; begin end.");
    EXPECT_FALSE(cache.Compile());
    EXPECT_EQ(cache.ErrorMsg(), "Expression expected but 'end' found");
    const ScriptRoutine* f0 = cache.FindFunction("fr3f0");
    std::vector<Variant> none;
    EXPECT_EQ(cache.Call(f0, none).ToInt32(), 6);
    EXPECT_EQ(VarToStr(cache.CallFunction("fr3f1")), "#3");
    EXPECT_EQ(cache.CallFunction("fr3f2").ToInt32(), 7);
    EXPECT_EQ(cache.FindFunction("fr3f3"), nullptr);
    *report.Variable("Rate") = Variant(10);
    EXPECT_EQ(cache.Call(f0, none).ToInt32(), 20);
}

TEST(ScriptScope, ClearForgetsEverything) {
    FakeMemo memo;
    TfsScript script;
    script.AddObject("Memo1", &memo);
    script.AddMethod("function Get(Name: String): Variant",
                     [](const AnsiString&, std::vector<Variant>&) { return Variant(1); });
    script.SetLines("function F: Integer; begin Result := 1 end; begin end.");
    ASSERT_TRUE(script.Compile());
    script.Clear();
    EXPECT_FALSE(script.Find("Memo1").has_value());
    EXPECT_EQ(script.FindFunction("F"), nullptr);
    EXPECT_EQ(script.FindFunction("Get"), nullptr);
    script.SetLines("begin Memo1.Visible := False end.");
    EXPECT_FALSE(script.Compile());
    EXPECT_EQ(script.ErrorMsg(), "Undeclared identifier: 'Memo1'");
}

TEST(ScriptStop, RunningScriptStopsAtNextStatement) {
    TfsScript script;
    std::string out;
    script.SetMessageHook([&](const AnsiString& t) { out += t; });
    script.AddMethod("procedure StopReport", [&](const AnsiString&, std::vector<Variant>&) {
        script.Terminate();
        return Variant();
    });
    script.SetLines("var i: Integer;\n"
                    "procedure Step; begin Inc(i); if i = 3 then begin StopReport; "
                    "ShowMessage('after') end end;\n"
                    "begin while True do Step; ShowMessage('end') end.");
    ASSERT_TRUE(script.Compile());
    script.Execute(); // would never end without the stop
    EXPECT_EQ(script.Variable("i")->ToInt32(), 3);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(script.Terminated());
    // The next run starts afresh.
    *script.Variable("i") = Variant(10);
    script.SetLines("begin ShowMessage('again') end.");
    ASSERT_TRUE(script.Compile());
    script.Execute();
    EXPECT_EQ(out, "again");
}

struct AngleCase {
    const char* expr;
    const char* gets; // the Get arguments, joined by "|"
    const char* value;
};

class ScriptAngleReferences : public ::testing::TestWithParam<AngleCase> {};

TEST_P(ScriptAngleReferences, CompileAsGetWithTheText) {
    TfsScript script;
    std::string gets;
    script.AddMethod("function Get(Name: String): Variant",
                     [&](const AnsiString&, std::vector<Variant>& a) {
                         gets += (gets.empty() ? "" : "|") + VarToStr(a[0]);
                         return Variant(5);
                     });
    Variant v = Eval(script, GetParam().expr);
    EXPECT_EQ(gets, GetParam().gets) << GetParam().expr;
    EXPECT_EQ(VarToStr(v), GetParam().value) << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    Angle, ScriptAngleReferences,
    ::testing::Values(AngleCase{"<frxDBDataset1.\"nazevpodni\">", "frxDBDataset1.\"nazevpodni\"",
                                "5"},
                      AngleCase{"<Date>", "Date", "5"}, AngleCase{"<Line#> + 1", "Line#", "6"},
                      // "<" after an operand is less-than; before one it opens a reference
                      AngleCase{"<Page#> < <TotalPages#>", "Page#|TotalPages#", "False"},
                      AngleCase{"1 < 2", "", "True"},
                      AngleCase{"(<a> <= 5) and (<b>>4)", "a|b", "True"},
                      AngleCase{"<ds.\"a>b\">", "ds.\"a>b\"", "5"},
                      AngleCase{"IntToStr(<x>) + '<y>'", "x", "5<y>"}));

TEST(ScriptStandardLibrary, ConversionsAndTexts) {
    ScopedFormatSettings locale(FormatSettings::ForLocale("cs_CZ.UTF-8"));
    struct {
        const char* expr;
        const char* text;
    } cases[] = {
        {"FloatToStr(1.5)", "1,5"},
        {"StrToFloat('2,25') * 2", "4,5"},
        {"StrToIntDef('x', -1)", "-1"},
        {"IntToStr(StrToInt('$10'))", "16"},
        {"FormatFloat('#,##0.00', 1234567.891)", "1\xA0"
                                                 "234\xA0"
                                                 "567,89"},
        {"Format('%s: %d / %.1f', ['a', 7, 2.26])", "a: 7 / 2,3"},
        {"FormatDateTime('d.m.yyyy', EncodeDate(2024, 2, 29))", "29.2.2024"},
        {"FormatDateTime('dd.mm.yyyy', IncMonth(EncodeDate(2024, 1, 31)))", "29.02.2024"},
        {"IntToStr(DayOf(StrToDate('03.04.2025')) * 100 + MonthOf(StrToDate('03.04.2025')))",
         "304"},
        {"YearOf(EncodeDate(1999, 12, 31))", "1999"},
        {"Copy('kanvo', 2, 100) + Copy('kanvo', 0, 2) + Copy('kanvo', 9, 1)", "anvoka"},
        {"Pos('nv', 'kanvo') * 10 + Pos('x', 'kanvo')", "30"},
        {"Length('') + Length('abc')", "3"},
        {"'[' + Trim('  a b  ') + '|' + TrimLeft(' a ') + '|' + TrimRight(' a ') + ']'",
         "[a b|a | a]"},
        {"UpperCase('\xE8"
         "abc') + LowerCase('ABC')",
         "\xE8"
         "ABCabc"},
        {"AnsiUpperCase('\xE8\x9Elu\x9Do\xE8k\xFD')", "\xC8\x8ELU\x8DO\xC8K\xDD"},
        {"StringReplace('a-b-c', '-', '+', [])", "a+b-c"},
        {"StringReplace('a-B-b', 'b', 'x', [rfReplaceAll, rfIgnoreCase])", "a-x-x"},
        {"Chr(65) + IntToStr(Ord('a'))", "A97"},
        {"IntToStr(Round(2.5)) + IntToStr(Round(3.5)) + IntToStr(Trunc(-2.7))", "24-2"},
        {"FloatToStr(Int(2.7) + Frac(1.25))", "2,25"},
        {"FloatToStr(Abs(-1.5)) + IntToStr(Abs(-3))", "1,53"},
        {"FloatToStr(Sqrt(16) + Power(2, 10))", "1028"},
        {"IntToStr(Min(3, 7)) + IntToStr(Max(3, 7))", "37"},
        {"BoolToStr(VarIsNull(Null) and not VarIsNull(0), True)", "True"},
        {"VarToStr(Null) + VarToStr(12)", "12"},
        {"BoolToStr(Odd(3) and not Odd(4), True)", "True"},
        {"QuotedStr('it''s')", "'it''s'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VarToStr(Eval(c.expr)), c.text) << c.expr;
    EXPECT_THROW(Eval("StrToFloat('1.5')"), EConvertError);
    EXPECT_THROW(Eval("StrToDate('31.02.2024')"), EConvertError);
    EXPECT_THROW(Eval("'abc' * 2"), EScriptError);
}

TEST(ScriptStandardLibrary, IncAndDec) {
    EXPECT_EQ(RunMain("var i: Integer; begin Inc(i); Inc(i, 10); Dec(i, 3); ShowMessage(i) end."),
              "8\n");
}

} // namespace
} // namespace kanvo::test

namespace kanvo::test {
namespace {

TEST(ScriptMethods, CallbackKnowsTheCallingScript) {
    TfsScript report;
    TfsScript* seen = nullptr;
    report.AddMethod("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
                     [&](const AnsiString&, std::vector<Variant>& a) {
                         seen = CallingScript();
                         // Only the chosen branch is evaluated, in the caller's scope.
                         bool yes = seen->Find(VarToStr(a[0])).value_or(Variant(false)).ToBool();
                         return *seen->Find(VarToStr(yes ? a[1] : a[2]));
                     });
    ASSERT_TRUE(report.Compile());
    TfsScript cache(&report);
    cache.SetLines("var Flag: Boolean; A, B: String; begin Flag := True; A := 'a'; B := 'b' end.");
    ASSERT_TRUE(cache.Compile());
    cache.Execute();
    EXPECT_EQ(VarToStr(Eval(cache, "IIF(Flag, A, B + 1 div 0)")), "a");
    EXPECT_EQ(seen, &cache);
    EXPECT_EQ(CallingScript(), nullptr);
}

} // namespace
} // namespace kanvo::test
