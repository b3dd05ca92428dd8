// FormatFloat masks.
#include "script/format_float.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(FormatFloat, Masks) {
    FormatSettings s = FormatSettings::ForLocale("C");
    struct {
        const char* mask;
        double value;
        const char* text;
    } cases[] = {
        {"0.00", 2.675, "2.68"},
        {"0.00", 1.005, "1.01"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#,##0", -1234.5, "-1,235"},
        {"0", 0.4, "0"},
        {"#", 0, ""},
        {"#.##", 0.5, ".5"},
        {"0.0#", 1.2, "1.2"},
        {"0.0#", 1.234, "1.23"},
        {"000", 7, "007"},
        {"0.00", -0.001, "0.00"},
        {"0.00;(0.00)", -5, "(5.00)"},
        {"0;neg;'nothing'", 0, "nothing"},
        {"'Kc' 0.00", 3, "Kc 3.00"},
        {"0.00E+00", 12345, "1.23E+04"},
        {"0.0E-0", 0.00012, "1.2E-4"},
        {"", 1.5, "1.5"},
        {"0.00 \"%\"", 12.5, "12.50 %"},
        {"#,##0.00", 999.999, "1,000.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFloat(c.mask, c.value, s), c.text) << c.mask << " " << c.value;
}

TEST(FormatFloat, LocaleSeparators) {
    FormatSettings s = FormatSettings::ForLocale("cs_CZ.UTF-8");
    EXPECT_EQ(FormatFloat("#,##0.00", 12345.5, s), AnsiString(1, '1') + "2" +
                                                       AnsiString(1, s.ThousandSeparator) + "345" +
                                                       s.DecimalSeparator + "50");
}

} // namespace
} // namespace kanvo
