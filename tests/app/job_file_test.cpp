#include "app/job_file.h"
#include "platform/exception.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

struct SplitCase {
    const char* name;
    std::string text;
    std::vector<AnsiString> lines;
};

TEST(JobFile, LineEnds) {
    const SplitCase cases[] = {
        {"crlf", "1234\r\nadr1\r\n", {"1234", "adr1"}},
        {"lf", "1234\nadr1\n", {"1234", "adr1"}},
        {"cr", "1234\radr1\r", {"1234", "adr1"}},
        {"no final end", "1234\r\nadr1", {"1234", "adr1"}},
        {"blanks kept", " 1234 \r\nadr1 \r\n", {" 1234 ", "adr1 "}},
        {"empty second line", "1234\r\n\r\n", {"1234", ""}},
        {"three lines", "1\n2\n3\n", {"1", "2", "3"}},
        {"lf cr is two ends", "a\n\rb", {"a", "", "b"}},
        {"empty", "", {}},
        {"only a line end", "\r\n", {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplitTextLines(c.text), c.lines);
    }
}

TEST(JobFile, MissingLineMessage) {
    std::vector<AnsiString> one{"1234"};
    EXPECT_EQ(LineAt(one, 0), "1234");
    try {
        LineAt(one, 1);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    try {
        LineAt({}, 0);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (0)");
    }
}

} // namespace
} // namespace kanvo
