// Date-times as the report sees them: a float count of days since 1899-12-30
// (day 0), the time of day as the fraction. Negative values count backwards
// with a positive time fraction, as the OLE date does.
#pragma once

#include "platform/format_settings.h"

#include <optional>

namespace kanvo {

using TDateTime = double;

struct DateParts {
    int Year = 0, Month = 0, Day = 0;
};
struct TimeParts {
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Raises EConvertError for an invalid date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond);
DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);
// Day of the week, 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

// The local clock.
TDateTime Now();
TDateTime Today();

// Formats with the run-time library's date-time format tokens: c, d, dd, ddd,
// dddd, ddddd, dddddd, m, mm, mmm, mmmm, yy, yyyy, h, hh, n, nn, s, ss, z, zzz,
// t, tt, am/pm, a/p, ampm, "/" and ":" (the settings' separators), quoted
// literals '...' and "...". An "m" right after an "h" or "hh" means minutes.
AnsiString FormatDateTime(std::string_view format, TDateTime value,
                          const FormatSettings& settings = ProcessFormatSettings());
// The settings' short date, long time, or both ("c": the time only when the
// value has one).
AnsiString DateToStr(TDateTime value, const FormatSettings& settings = ProcessFormatSettings());
AnsiString TimeToStr(TDateTime value, const FormatSettings& settings = ProcessFormatSettings());
AnsiString DateTimeToStr(TDateTime value, const FormatSettings& settings = ProcessFormatSettings());

// Reads a date in the order of the short date format (day, month, year as
// numbers with the date separator; a two-digit year is taken in the window
// 1950..2049), optionally followed by a time "h:mm[:ss]". Nothing on failure.
std::optional<TDateTime> TryStrToDateTime(std::string_view text,
                                          const FormatSettings& settings = ProcessFormatSettings());
std::optional<TDateTime> TryStrToTime(std::string_view text,
                                      const FormatSettings& settings = ProcessFormatSettings());

} // namespace kanvo
