// The language: expressions, statements, routines and compile errors.
#include "platform/format_settings.h"
#include "tests/script/script_test_support.h"

namespace kanvo::test {
namespace {

struct ExprCase {
    const char* expr;
    const char* text; // VarToStr of the value, "Null" for Null
    VarType type;
};

class ScriptExpressions : public ::testing::TestWithParam<ExprCase> {};

TEST_P(ScriptExpressions, EvaluateToValueAndType) {
    ScopedFormatSettings locale(FormatSettings::ForLocale("C"));
    const ExprCase& c = GetParam();
    Variant v = Eval(c.expr);
    EXPECT_EQ(v.IsNull() ? AnsiString("Null") : VarToStr(v), c.text) << c.expr;
    EXPECT_EQ(v.Type(), c.type) << c.expr;
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ScriptExpressions,
    ::testing::Values(
        ExprCase{"1 + 2 * 3", "7", VarType::Integer},
        ExprCase{"(1 + 2) * 3", "9", VarType::Integer}, ExprCase{"-2 * -3", "6", VarType::Integer},
        ExprCase{"7 / 2", "3.5", VarType::Double}, ExprCase{"7 div 2", "3", VarType::Integer},
        ExprCase{"-7 mod 3", "-1", VarType::Integer}, ExprCase{"1 shl 4", "16", VarType::Integer},
        ExprCase{"256 shr 4", "16", VarType::Integer}, ExprCase{"$FF", "255", VarType::Integer},
        ExprCase{"1.5e2", "150", VarType::Double},
        ExprCase{"3000000000", "3000000000", VarType::Int64},
        ExprCase{"2147483647 + 1", "2147483648", VarType::Int64},
        ExprCase{"'it''s'", "it's", VarType::String},
        ExprCase{"'a'#13#10'b'", "a\r\nb", VarType::String},
        ExprCase{"#$41#66", "AB", VarType::String},
        ExprCase{"'ab' + 'cd'", "abcd", VarType::String},
        ExprCase{"'abc'[2]", "b", VarType::String}, ExprCase{"'12' + 3", "15", VarType::Integer},
        ExprCase{"'1.5' * 2", "3", VarType::Double},
        ExprCase{"True and not False", "True", VarType::Boolean},
        ExprCase{"True xor True", "False", VarType::Boolean},
        ExprCase{"6 and 3", "2", VarType::Integer}, ExprCase{"6 or 3", "7", VarType::Integer},
        ExprCase{"not 0", "-1", VarType::Integer},
        ExprCase{"(1 < 2) and (2 <= 2) and (3 > 2) and (3 >= 3) and (1 <> 2) and (1 = 1)", "True",
                 VarType::Boolean},
        ExprCase{"'abc' < 'abd'", "True", VarType::Boolean},
        ExprCase{"'10' = 10", "True", VarType::Boolean},
        ExprCase{"3 in [1, 3, 5]", "True", VarType::Boolean},
        ExprCase{"4 in [1..3, 5]", "False", VarType::Boolean},
        ExprCase{"'b' in ['a'..'c']", "True", VarType::Boolean},
        ExprCase{"Null + 1", "Null", VarType::Null},
        ExprCase{"Null = Null", "True", VarType::Boolean},
        ExprCase{"Null = 0", "False", VarType::Boolean},
        ExprCase{"Null and True", "Null", VarType::Null},
        // and/or stop early: the right side would raise
        ExprCase{"False and (1 div 0 = 1)", "False", VarType::Boolean},
        ExprCase{"True or (1 div 0 = 1)", "True", VarType::Boolean},
        ExprCase{"EncodeDate(2024, 1, 31) + 1 > EncodeDate(2024, 1, 31)", "True", VarType::Boolean},
        ExprCase{"EncodeDate(2024, 3, 1) - EncodeDate(2024, 2, 1)", "29", VarType::Double},
        ExprCase{"UPPERCASE('abc')", "ABC", VarType::String}));

struct RunCase {
    const char* name;
    const char* source;
    const char* output;
};

class ScriptPrograms : public ::testing::TestWithParam<RunCase> {};

TEST_P(ScriptPrograms, MainBlockOutput) {
    ScopedFormatSettings locale(FormatSettings::ForLocale("C"));
    EXPECT_EQ(RunMain(GetParam().source), GetParam().output) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ScriptPrograms,
    ::testing::Values(
        RunCase{"if", "begin if 1 > 2 then ShowMessage('a') else ShowMessage('b'); end.", "b\n"},
        RunCase{"dangling else",
                "begin if True then if False then ShowMessage('x') else ShowMessage('y') end.",
                "y\n"},
        RunCase{"for to",
                "var i: Integer; s: String; begin for i := 1 to 3 do s := s + IntToStr(i); "
                "ShowMessage(s) end.",
                "123\n"},
        RunCase{"for downto", "var i: Integer; begin for i := 3 downto 1 do ShowMessage(i) end.",
                "3\n2\n1\n"},
        RunCase{"while break continue",
                "var i: Integer; begin i := 0; while True do begin Inc(i); if i = 2 then continue; "
                "if i > 4 then break; ShowMessage(i) end end.",
                "1\n3\n4\n"},
        RunCase{"repeat",
                "var i: Integer; begin i := 5; repeat i := i - 2 until i < 0; ShowMessage(i) end.",
                "-1\n"},
        RunCase{"case",
                "var i: Integer; begin for i := 1 to 4 do case i of 1: ShowMessage('one'); 2, 3: "
                "ShowMessage('few') else ShowMessage('many') end end.",
                "one\nfew\nfew\nmany\n"},
        RunCase{"case ranges and strings",
                "begin case 'k' of 'a'..'j': ShowMessage('low'); 'k'..'z': ShowMessage('high'); "
                "end end.",
                "high\n"},
        RunCase{"function and procedure",
                "function Twice(X: Integer): Integer; begin Result := X * 2 end;\n"
                "procedure Say(const S: String); begin ShowMessage('<' + S + '>') end;\n"
                "begin Say(IntToStr(Twice(21))) end.",
                "<42>\n"},
        RunCase{"result by function name",
                "function F: Integer; begin F := 7 end; begin ShowMessage(F) end.", "7\n"},
        RunCase{
            "var parameters",
            "procedure Swap(var A, B: Variant); var T: Variant; begin T := A; A := B; B := T end;\n"
            "var x, y: Integer; begin x := 1; y := 2; Swap(x, y); ShowMessage(IntToStr(x) + "
            "IntToStr(y)) end.",
            "21\n"},
        RunCase{"value parameters are copies",
                "procedure P(A: Integer); begin A := 99 end; var x: Integer;\n"
                "begin x := 1; P(x); ShowMessage(x) end.",
                "1\n"},
        RunCase{"recursion",
                "function Fact(N: Integer): Integer; begin if N <= 1 then Result := 1 else Result "
                ":= N * Fact(N - 1) end;\n"
                "begin ShowMessage(Fact(10)) end.",
                "3628800\n"},
        RunCase{"forward call",
                "procedure A; begin B end; procedure B; begin ShowMessage('b') end; begin A end.",
                "b\n"},
        RunCase{"local const and var",
                "procedure P; const K = 3; var i: Integer; begin i := K * 2; ShowMessage(i) end; "
                "begin P end.",
                "6\n"},
        RunCase{"global const", "const Greeting = 'Ahoj'; begin ShowMessage(Greeting + '!') end.",
                "Ahoj!\n"},
        RunCase{"exit",
                "function F(X: Integer): String; begin Result := 'small'; if X < 10 then exit; "
                "Result := 'big' end;\n"
                "begin ShowMessage(F(1)); ShowMessage(F(20)) end.",
                "small\nbig\n"},
        RunCase{"exit with value",
                "function F: Integer; begin Exit(5); Result := 1 end; begin ShowMessage(F) end.",
                "5\n"},
        RunCase{"try except",
                "begin try ShowMessage(1 div 0) except ShowMessage('caught: ' + ExceptionMessage) "
                "end end.",
                "caught: Division by zero\n"},
        RunCase{"try finally inside except",
                "begin try try raise 'boom' finally ShowMessage('cleanup') end except "
                "ShowMessage(ExceptionMessage) end end.",
                "cleanup\nboom\n"},
        RunCase{"string index assignment",
                "var s: String; begin s := 'cat'; s[1] := 'b'; ShowMessage(s + ' ' + s[3]) end.",
                "bat t\n"},
        RunCase{"comments", "begin { one } (* two *) // three\n ShowMessage('ok') end.", "ok\n"},
        RunCase{"case-insensitive names",
                "VAR Count: INTEGER; BEGIN count := 2; COUNT := Count + 1; showmessage(cOuNt) END.",
                "3\n"},
        RunCase{"var section initial values",
                "var i: Integer; s: String; b: Boolean; begin ShowMessage(IntToStr(i) + '[' + s + "
                "']' + BoolToStr(b, True)) end.",
                "0[]False\n"}),
    [](const ::testing::TestParamInfo<RunCase>& param) {
        std::string name = param.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

struct ErrorCase {
    const char* source;
    const char* pos;
    const char* message;
};

class ScriptCompileErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ScriptCompileErrors, GivePositionAndMessage) {
    TfsScript script;
    script.SetLines(GetParam().source);
    EXPECT_FALSE(script.Compile());
    EXPECT_EQ(script.ErrorPos(), GetParam().pos) << GetParam().source;
    EXPECT_EQ(script.ErrorMsg(), GetParam().message) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ScriptCompileErrors,
    ::testing::Values(
        ErrorCase{"begin\n  x := 1;\nend.", "2:3", "Undeclared identifier: 'x'"},
        ErrorCase{"begin\n  ShowMessage('a')\n  ShowMessage('b')\nend.", "3:3",
                  "';' expected but 'ShowMessage' found"},
        ErrorCase{"begin ShowMessage('abc) end.", "1:19", "Unterminated string"},
        ErrorCase{"begin if 1 ShowMessage(1) end.", "1:12",
                  "'then' expected but 'ShowMessage' found"},
        ErrorCase{"begin ShowMessage(1, 2) end.", "1:7",
                  "Too many actual parameters for 'ShowMessage'"},
        ErrorCase{"begin ShowMessage end.", "1:7",
                  "Not enough actual parameters for 'ShowMessage'"},
        ErrorCase{"begin Inc(5) end.", "1:11", "Variable required for parameter 'X' of 'Inc'"},
        ErrorCase{"const K = 1; begin K := 2 end.", "1:20", "Left side cannot be assigned to"},
        ErrorCase{"var a: Integer; a: String; begin end.", "1:17", "Identifier redeclared: 'a'"},
        ErrorCase{"begin break end.", "1:7", "'break' outside a loop"},
        ErrorCase{"begin ShowMessage(1 + ) end.", "1:23", "Expression expected but ')' found"},
        ErrorCase{"begin ShowMessage(<abc) end.", "1:19", "Unterminated reference: '>' expected"},
        ErrorCase{"begin ShowMessage(1) end", "1:25", "'.' expected but end of text found"},
        ErrorCase{"begin { never closed end.", "1:7", "Unterminated comment"},
        ErrorCase{"begin ShowMessage(1 ? 2) end.", "1:21", "Illegal character '?'"}));

TEST(ScriptCompile, OtherLanguagesAreNotSupported) {
    TfsScript script;
    script.SetSyntaxType("C++Script");
    script.SetLines("{}");
    EXPECT_FALSE(script.Compile());
    EXPECT_EQ(script.ErrorMsg(), "Script language 'C++Script' is not supported");
    script.SetSyntaxType("pascalscript");
    script.SetLines("begin end.");
    EXPECT_TRUE(script.Compile());
}

TEST(ScriptRuntime, ErrorsAreExceptionsWithPosition) {
    TfsScript script;
    script.SetLines("var a: Integer;\nbegin\n  a := 0;\n  a := 10 div a\nend.");
    ASSERT_TRUE(script.Compile());
    try {
        script.Execute();
        FAIL() << "no exception";
    } catch (const EScriptError& e) {
        EXPECT_EQ(e.Message(), "Division by zero");
        EXPECT_EQ(e.Pos().Text(), "4:11");
    }
    script.SetLines("begin ShowMessage(StrToInt('x1')) end.");
    ASSERT_TRUE(script.Compile());
    try {
        script.Execute();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "'x1' is not a valid integer value");
        EXPECT_EQ(script.RuntimeErrorPos().Text(), "1:7");
    }
}

} // namespace
} // namespace kanvo::test

namespace kanvo::test {
namespace {

TEST(ScriptLimits, RunawayRecursionAndDeepNestingAreErrors) {
    TfsScript script;
    script.SetLines("procedure P; begin P end; begin P end.");
    ASSERT_TRUE(script.Compile());
    try {
        script.Execute();
        FAIL();
    } catch (const EScriptError& e) {
        EXPECT_EQ(e.Message(), "Stack overflow: calls of 'P' nested too deeply");
    }
    script.SetLines("begin ShowMessage(" + std::string(5000, '(') + "1" + std::string(5000, ')') +
                    ") end.");
    EXPECT_FALSE(script.Compile());
    EXPECT_EQ(script.ErrorMsg(), "Expression nested too deeply");
    std::string deep = "begin ";
    for (int i = 0; i < 3000; ++i)
        deep += "begin ";
    for (int i = 0; i < 3000; ++i)
        deep += "end ";
    script.SetLines(deep + "end.");
    EXPECT_FALSE(script.Compile());
    EXPECT_EQ(script.ErrorMsg(), "Statements nested too deeply");
}

} // namespace
} // namespace kanvo::test
