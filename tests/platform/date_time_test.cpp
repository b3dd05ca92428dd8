#include "platform/date_time.h"
#include "platform/exception.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(DateTime, DayZeroIsTheOleEpoch) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_EQ(EncodeDate(2024, 7, 2), 45475);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    auto d = DecodeDate(45476.4634346412);
    EXPECT_EQ(d.Year, 2024);
    EXPECT_EQ(d.Month, 7);
    EXPECT_EQ(d.Day, 3);
    auto t = DecodeTime(45476.4634346412);
    EXPECT_EQ(t.Hour, 11);
    EXPECT_EQ(t.Minute, 7);
    // Before day 0 the date counts back and the time stays positive.
    auto before = DecodeDate(-1.25);
    EXPECT_EQ(before.Day, 29);
    EXPECT_EQ(DecodeTime(-1.25).Hour, 6);
    EXPECT_EQ(DayOfWeek(0), 7); // a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 11)), 6);
}

TEST(DateTime, InvalidPartsAreRefused) {
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
}

struct FormatCase {
    const char* format;
    const char* expected;
};

TEST(FormatDateTime, Tokens) {
    FormatSettings cs = FormatSettings::ForLocale("cs_CZ");
    TDateTime value = EncodeDate(2024, 7, 2) + EncodeTime(9, 5, 3, 7);
    const FormatCase cases[] = {
        {"d.m.yyyy", "2.7.2024"},
        {"dd.mm.yy", "02.07.24"},
        {"yyyymmdd", "20240702"},
        {"hh:nn:ss", "09:05:03"},
        {"h:mm", "9:05"}, // m after h is minutes
        {"zzz", "007"},
        {"c", "2.7.2024 9:05:03"},
        {"ddddd", "2.7.2024"},
        {"t", "9:05"},
        {"tt", "9:05:03"},
        {"'den' d", "den 2"},
        {"\"rok\" yyyy", "rok 2024"},
        {"d/m", "2.7"},
        {"hh am/pm", "09 am"},
        {"mmmm", "\xE8"
                 "ervenec"},
        {"dddd", "\xFAter\xFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatDateTime(c.format, value, cs), c.expected);
    }
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 7, 2), cs), "2.7.2024");
    FormatSettings us = FormatSettings::ForLocale("en_US");
    EXPECT_EQ(FormatDateTime("c", value + 0.5, us), "7/2/2024 9:05:03 PM");
}

TEST(StrToDateTime, FollowsTheShortDateOrder) {
    FormatSettings cs = FormatSettings::ForLocale("cs_CZ");
    EXPECT_EQ(TryStrToDateTime("2.7.2024", cs), EncodeDate(2024, 7, 2));
    EXPECT_EQ(TryStrToDateTime("02.07.24", cs), EncodeDate(2024, 7, 2));
    EXPECT_EQ(TryStrToDateTime("2.7.2024 12:00", cs), EncodeDate(2024, 7, 2) + 0.5);
    EXPECT_FALSE(TryStrToDateTime("31.2.2024", cs));
    EXPECT_FALSE(TryStrToDateTime("abc", cs));
    EXPECT_FALSE(TryStrToDateTime("2.7.2024 x", cs));
    FormatSettings us = FormatSettings::ForLocale("en_US");
    EXPECT_EQ(TryStrToDateTime("7/2/2024", us), EncodeDate(2024, 7, 2));
    EXPECT_EQ(TryStrToTime("1:30 PM", us), EncodeTime(13, 30, 0, 0));
}

} // namespace
} // namespace kanvo
