// Helpers of the script tests: a compiled wrapper evaluated once, and a test
// double of a report object.
#pragma once

#include "script/script.h"

#include <gtest/gtest.h>

namespace kanvo::test {

// Evaluates one expression through a wrapper function, as the expression
// cache does. Compile errors fail the test.
inline Variant Eval(TfsScript& script, const std::string& expr) {
    script.SetLines("function fr3f0: Variant; begin Result := " + expr + " end; begin end.");
    EXPECT_TRUE(script.Compile()) << expr << ": " << script.ErrorPos() << " " << script.ErrorMsg();
    return script.CallFunction("fr3f0");
}

inline Variant Eval(const std::string& expr) {
    TfsScript script;
    return Eval(script, expr);
}

// Output of a script's main block collected from ShowMessage.
inline std::string RunMain(const std::string& source, TfsScript* withScript = nullptr) {
    TfsScript own;
    TfsScript& script = withScript ? *withScript : own;
    std::string out;
    script.SetMessageHook([&](const AnsiString& text) { out += text + "\n"; });
    script.SetLines(source);
    EXPECT_TRUE(script.Compile()) << script.ErrorPos() << " " << script.ErrorMsg();
    script.Execute();
    return out;
}

// A report object as the script sees it: properties, a nested Font, an
// indexed Variables property and a method.
class FakeMemo : public ScriptObjectAdapter {
public:
    FakeMemo() : ScriptObjectAdapter("TfrxMemoView") {
        font_.DefineProperty(
            "Size", [this] { return Variant(fontSize); },
            [this](const Variant& v) { fontSize = v.ToInt32(); });
        DefineProperty(
            "Visible", [this] { return Variant(visible); },
            [this](const Variant& v) { visible = v.ToBool(); });
        DefineProperty(
            "Text", [this] { return Variant(text); },
            [this](const Variant& v) { text = VarToStr(v); });
        DefineProperty("Font", [this] { return Variant(static_cast<Object*>(&font_)); });
        DefineIndexed(
            "Variables",
            [this](const std::vector<Variant>& i) { return variables[VarToStr(i[0])]; },
            [this](const std::vector<Variant>& i, const Variant& v) {
                variables[VarToStr(i[0])] = v;
            });
        DefineMethod("Add", [this](std::vector<Variant>& a) {
            text += VarToStr(a.at(0));
            return Variant(static_cast<int>(text.size()));
        });
        DefineMethod("NewPage", [this](std::vector<Variant>&) {
            ++pages;
            return Variant();
        });
    }
    bool visible = true;
    int fontSize = 10;
    int pages = 0;
    AnsiString text;
    std::map<AnsiString, Variant> variables;

private:
    ScriptObjectAdapter font_{"TFont"};
};

} // namespace kanvo::test
