// pruh script-eval and script-run: the script engine from the command line.
#include "platform/code_page.h"
#include "platform/files.h"
#include "script/script.h"
#include "tools/pruh_commands.h"

#include <cstdio>

namespace kanvo::pruh {
namespace {

// Get outside a report knows the names a report gives without data: Date and
// Time; anything else is an unknown variable.
void AddCommandLineNames(TfsScript& script) {
    script.AddMethod(
        "function Get(Name: String): Variant", [](const AnsiString&, std::vector<Variant>& a) {
            AnsiString name = VarToStr(a[0]);
            if (SameTextAscii(name, "Date"))
                return Variant::FromDate(Today());
            if (SameTextAscii(name, "Time")) {
                TDateTime now = Now();
                return Variant::FromDate(now - static_cast<double>(static_cast<int64_t>(now)));
            }
            throw Exception("Unknown variable: " + name);
        });
    script.AddVariable("Value", "Variant", Variant::Null());
    script.SetMessageHook([](const AnsiString& text) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
    });
}

void PrintValue(const Variant& v) {
    AnsiString text = v.IsNull() ? AnsiString("Null") : VarToStr(v);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

PruhCommand scriptEval{"script-eval", "'EXPR'", "print the value of a PascalScript expression",
                       [](const std::vector<std::string>& args) {
                           if (args.size() != 1)
                               return UsageError("script-eval");
                           TfsScript script;
                           AddCommandLineNames(script);
                           script.SetLines("function fr3f0: Variant; begin Result := " + args[0] +
                                           " end; begin end.");
                           if (!script.Compile()) {
                               std::fprintf(stderr, "Error at %s: %s\n", script.ErrorPos().c_str(),
                                            script.ErrorMsg().c_str());
                               return 1;
                           }
                           try {
                               PrintValue(script.CallFunction("fr3f0"));
                           } catch (const std::exception& e) {
                               std::fprintf(stderr, "Error: %s\n", e.what());
                               return 1;
                           }
                           return 0;
                       }};

PruhCommand scriptRun{
    "script-run", "FILE", "run the main block of a PascalScript file; ShowMessage prints",
    [](const std::vector<std::string>& args) {
        if (args.size() != 1)
            return UsageError("script-run");
        TfsScript script;
        AddCommandLineNames(script);
        try {
            script.SetLines(ReadFileBytes(args[0]));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
        if (!script.Compile()) {
            std::fprintf(stderr, "Error at %s: %s\n", script.ErrorPos().c_str(),
                         script.ErrorMsg().c_str());
            return 1;
        }
        try {
            script.Execute();
        } catch (const EScriptError& e) {
            // Errors of the script itself know their place.
            ScriptPos pos = e.Pos().Line > 0 ? e.Pos() : script.RuntimeErrorPos();
            std::fprintf(stderr, "Runtime error at %s: %s\n", pos.Text().c_str(), e.what());
            return 1;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Runtime error at %s: %s\n",
                         script.RuntimeErrorPos().Text().c_str(), e.what());
            return 1;
        }
        return 0;
    }};

} // namespace
} // namespace kanvo::pruh
