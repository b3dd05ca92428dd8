#include "platform/exception.h"
#include "platform/format_settings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kanvo {
namespace {

struct FloatCase {
    double value;
    const char* point;
    const char* comma;
};

TEST(FloatToStr, GeneralFormatWith15Digits) {
    const FloatCase cases[] = {
        {0, "0", "0"},
        {1, "1", "1"},
        {-2.5, "-2.5", "-2,5"},
        {0.1, "0.1", "0,1"},
        {1.0 / 3, "0.333333333333333", "0,333333333333333"},
        {123456789012345.0, "123456789012345", "123456789012345"},
        {1234567890123456.0, "1.23456789012346E15", "1,23456789012346E15"},
        {1e20, "1E20", "1E20"},
        {0.00001, "0.00001", "0,00001"},
        {0.000001, "1E-6", "1E-6"},
        {-3.68e-6, "-3.68E-6", "-3,68E-6"},
        {5e-8, "5E-8", "5E-8"},
        {718.1107, "718.1107", "718,1107"},
        {210.12345679, "210.12345679", "210,12345679"},
        {45476.4634346412, "45476.4634346412", "45476,4634346412"},
    };
    FormatSettings point = FormatSettings::ForLocale("C");
    FormatSettings comma = FormatSettings::ForLocale("cs_CZ");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.point);
        EXPECT_EQ(FloatToStr(c.value, point), c.point);
        EXPECT_EQ(FloatToStr(c.value, comma), c.comma);
        EXPECT_EQ(TryStrToFloat(c.comma, comma).value_or(NAN), std::stod(c.point));
    }
    EXPECT_EQ(FloatToStr(NAN, point), "NAN");
    EXPECT_EQ(FloatToStr(-INFINITY, point), "-INF");
}

TEST(StrToFloat, AcceptsOnlyTheLocaleSeparator) {
    FormatSettings comma = FormatSettings::ForLocale("cs_CZ");
    EXPECT_FALSE(TryStrToFloat("1.5", comma));
    EXPECT_FALSE(TryStrToFloat("", comma));
    EXPECT_FALSE(TryStrToFloat("1e", comma));
    EXPECT_FALSE(TryStrToFloat("12abc", comma));
    EXPECT_EQ(*TryStrToFloat(" -1,5E2 ", comma), -150);
    EXPECT_EQ(*TryStrToFloat(",5", comma), 0.5);
}

TEST(StrToInt, DecimalAndHexadecimal) {
    EXPECT_EQ(TryStrToInt64("42"), 42);
    EXPECT_EQ(TryStrToInt64("-42"), -42);
    EXPECT_EQ(TryStrToInt64("$FF"), 255);
    EXPECT_EQ(TryStrToInt64("0x0CEA"), 3306);
    EXPECT_FALSE(TryStrToInt64("abc"));
    EXPECT_FALSE(TryStrToInt64("99999999999999999999"));
    EXPECT_FALSE(TryStrToInt64(""));
    EXPECT_EQ(TryStrToInt64("-9223372036854775808"), INT64_MIN);
}

TEST(Format, Directives) {
    ScopedFormatSettings settings(FormatSettings::ForLocale("cs_CZ"));
    EXPECT_EQ(Format("Cannot open file \"%s\". %s", {"/x/doklad.txt", "No such file"}),
              "Cannot open file \"/x/doklad.txt\". No such file");
    EXPECT_EQ(Format("List index out of bounds (%d)", {1}), "List index out of bounds (1)");
    EXPECT_EQ(Format("%5d|%-5d|%.3d", {42, 42, 7}), "   42|42   |007");
    EXPECT_EQ(Format("%x %X %u", {255, 255, 7}), "ff FF 7");
    EXPECT_EQ(Format("%.2f", {2.345}), "2,35");
    EXPECT_EQ(Format("%n", {1234567.891}), "1\xA0"
                                           "234\xA0"
                                           "567,89");
    EXPECT_EQ(Format("%g", {0.5}), "0,5");
    EXPECT_EQ(Format("100%%", {}), "100%");
    EXPECT_EQ(Format("%.2s", {"abc"}), "ab");
    EXPECT_THROW(Format("%d", {"text"}), EConvertError);
    EXPECT_THROW(Format("%s %s", {"one"}), EConvertError);
    EXPECT_THROW(Format("%", {1}), EConvertError);
}

TEST(FormatSettings, LocalesFromNames) {
    auto cs = FormatSettings::ForLocale("cs_CZ.UTF-8");
    EXPECT_EQ(cs.DecimalSeparator, ',');
    EXPECT_EQ(cs.ShortDateFormat, "d.M.yyyy");
    auto c = FormatSettings::ForLocale("C");
    EXPECT_EQ(c.DecimalSeparator, '.');
    auto unknown = FormatSettings::ForLocale("xx_YY");
    EXPECT_EQ(unknown.DecimalSeparator, '.');
    EXPECT_EQ(FormatSettings::ForLocale("en_GB.UTF-8").ShortDateFormat, "dd/MM/yyyy");
}

TEST(FormatSettings, EnvironmentOrder) {
    ::setenv("LC_ALL", "", 1);
    ::setenv("LC_NUMERIC", "cs_CZ.UTF-8", 1);
    ::setenv("LC_TIME", "en_US.UTF-8", 1);
    auto s = FormatSettings::FromEnvironment();
    EXPECT_EQ(s.DecimalSeparator, ',');
    EXPECT_EQ(s.ShortDateFormat, "M/d/yyyy");
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(FormatSettings::FromEnvironment().DecimalSeparator, '.');
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_NUMERIC");
    ::unsetenv("LC_TIME");
}

} // namespace
} // namespace kanvo
