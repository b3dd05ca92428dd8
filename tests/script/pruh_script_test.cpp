// pruh script-eval and script-run as a user runs them.
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace kanvo::test {
namespace {

std::map<std::string, std::string> CLocale() {
    return {{"LC_ALL", "C"}};
}

TEST(PruhScript, EvalPrintsTheValueOrTheError) {
    auto ok = RunProcess(BinaryPath("tools/pruh"),
                         {"script-eval", "'x' + FormatFloat('0.0', 7 / 2)"}, CLocale());
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.out, "x3.5\n");
    auto null = RunProcess(BinaryPath("tools/pruh"), {"script-eval", "Null + 1"}, CLocale());
    EXPECT_EQ(null.out, "Null\n");
    auto bad = RunProcess(BinaryPath("tools/pruh"), {"script-eval", "1 +"}, CLocale());
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err, "Error at 1:46: Expression expected but 'end' found\n");
}

TEST(PruhScript, RunPrintsShowMessageAndRuntimeErrors) {
    TempFolder dir("pruh-script");
    WriteFile(dir.Path() / "a.pas",
              "var i: Integer;\nbegin\n  for i := 1 to 2 do ShowMessage('line ' + IntToStr(i));\n"
              "  i := i div 0\nend.\n");
    auto r = RunProcess(BinaryPath("tools/pruh"), {"script-run", (dir.Path() / "a.pas").string()},
                        CLocale());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "line 1\nline 2\n");
    EXPECT_EQ(r.err, "Runtime error at 4:10: Division by zero\n");
    auto missing = RunProcess(BinaryPath("tools/pruh"),
                              {"script-run", (dir.Path() / "none.pas").string()}, CLocale());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("Cannot open file"), std::string::npos);
}

} // namespace
} // namespace kanvo::test
