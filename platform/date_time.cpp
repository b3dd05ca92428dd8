#include "platform/date_time.h"

#include "platform/code_page.h"
#include "platform/exception.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>

namespace kanvo {
namespace {

// Days between 1970-01-01 and day 0 of the date scale (1899-12-30).
constexpr int64_t kUnixToOle = 25569;
constexpr int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

DateParts CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

int64_t TimeMs(TDateTime value) {
    double fraction = std::fabs(value - std::trunc(value));
    auto ms = static_cast<int64_t>(std::llround(fraction * kMsPerDay));
    return std::min(ms, kMsPerDay - 1);
}

} // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return std::nullopt;
    return static_cast<double>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kUnixToOle);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        return std::nullopt;
    int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<double>(ms) / kMsPerDay;
}

TDateTime EncodeDate(int year, int month, int day) {
    if (auto value = TryEncodeDate(year, month, day))
        return *value;
    throw EConvertError("Invalid argument to date encode");
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    if (auto value = TryEncodeTime(hour, minute, second, millisecond))
        return *value;
    throw EConvertError("Invalid argument to time encode");
}

DateParts DecodeDate(TDateTime value) {
    if (!std::isfinite(value) || std::fabs(value) > 3e6)
        return {};
    return CivilFromDays(static_cast<int64_t>(std::trunc(value)) - kUnixToOle);
}

TimeParts DecodeTime(TDateTime value) {
    if (!std::isfinite(value))
        return {};
    int64_t ms = TimeMs(value);
    TimeParts t;
    t.Millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    t.Second = static_cast<int>(ms % 60);
    ms /= 60;
    t.Minute = static_cast<int>(ms % 60);
    t.Hour = static_cast<int>(ms / 60);
    return t;
}

int DayOfWeek(TDateTime value) {
    // Day 0 (1899-12-30) was a Saturday.
    int64_t day = static_cast<int64_t>(std::trunc(value));
    int64_t w = ((day + 6) % 7 + 7) % 7; // 0 = Sunday
    return static_cast<int>(w) + 1;
}

TDateTime Now() {
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                      static_cast<int>(ms % 1000));
}

TDateTime Today() {
    return std::trunc(Now());
}

namespace {

class DateTimeFormatter {
public:
    DateTimeFormatter(TDateTime value, const FormatSettings& settings)
        : value_(value), settings_(settings), date_(DecodeDate(value)), time_(DecodeTime(value)) {}

    void Append(std::string_view format, int depth) {
        if (depth > 2)
            return;
        bool twelveHour = HasAmPm(format);
        bool lastWasHour = false;
        size_t i = 0;
        while (i < format.size()) {
            char c = format[i];
            char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            size_t run = 1;
            while (i + run < format.size() &&
                   std::tolower(static_cast<unsigned char>(format[i + run])) == lower)
                ++run;
            bool wasHour = false;
            switch (lower) {
            case '\'':
            case '"': {
                size_t end = format.find(c, i + 1);
                if (end == std::string_view::npos)
                    end = format.size();
                out_ += format.substr(i + 1, end - i - 1);
                i = end + 1;
                continue;
            }
            case 'c':
                Append(settings_.ShortDateFormat, depth + 1);
                if (TimeMs(value_) != 0) {
                    out_ += ' ';
                    Append(settings_.LongTimeFormat, depth + 1);
                }
                run = 1;
                break;
            case 'd':
                if (run == 1)
                    Number(date_.Day, 1);
                else if (run == 2)
                    Number(date_.Day, 2);
                else if (run == 3)
                    out_ += settings_.ShortDayNames[static_cast<size_t>(DayOfWeek(value_) - 1)];
                else if (run == 4)
                    out_ += settings_.LongDayNames[static_cast<size_t>(DayOfWeek(value_) - 1)];
                else if (run == 5)
                    Append(settings_.ShortDateFormat, depth + 1);
                else
                    Append(settings_.LongDateFormat, depth + 1);
                break;
            case 'm':
                if (lastWasHour && run <= 2) {
                    Number(time_.Minute, static_cast<int>(run));
                } else if (run <= 2) {
                    Number(date_.Month, static_cast<int>(run));
                } else if (date_.Month >= 1) {
                    const auto& names =
                        run == 3 ? settings_.ShortMonthNames : settings_.LongMonthNames;
                    out_ += names[static_cast<size_t>(date_.Month - 1)];
                }
                run = std::min<size_t>(run, 4);
                break;
            case 'y':
                if (run <= 2)
                    Number(date_.Year % 100, 2);
                else
                    Number(date_.Year, 4);
                break;
            case 'h': {
                int hour = time_.Hour;
                if (twelveHour) {
                    hour %= 12;
                    if (hour == 0)
                        hour = 12;
                }
                Number(hour, run >= 2 ? 2 : 1);
                run = std::min<size_t>(run, 2);
                wasHour = true;
                break;
            }
            case 'n':
                Number(time_.Minute, run >= 2 ? 2 : 1);
                run = std::min<size_t>(run, 2);
                break;
            case 's':
                Number(time_.Second, run >= 2 ? 2 : 1);
                run = std::min<size_t>(run, 2);
                break;
            case 'z':
                Number(time_.Millisecond, run >= 3 ? 3 : 1);
                run = std::min<size_t>(run, 3);
                break;
            case 't':
                Append(run == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat, depth + 1);
                run = std::min<size_t>(run, 2);
                break;
            case 'a':
                run = AmPm(format.substr(i));
                if (run == 0) {
                    out_ += c;
                    run = 1;
                }
                break;
            case '/':
                out_ += settings_.DateSeparator;
                run = 1;
                break;
            case ':':
                out_ += settings_.TimeSeparator;
                run = 1;
                break;
            default:
                out_.append(run, c);
                break;
            }
            // Only letters move the "last token": "h:mm" still means minutes.
            if (lower >= 'a' && lower <= 'z')
                lastWasHour = wasHour;
            i += run;
        }
    }

    AnsiString Result() && { return std::move(out_); }

private:
    static bool StartsNoCase(std::string_view text, std::string_view prefix) {
        return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
    }

    static bool HasAmPm(std::string_view format) {
        for (size_t i = 0; i < format.size(); ++i) {
            if (format[i] == '"' || format[i] == '\'') {
                size_t end = format.find(format[i], i + 1);
                if (end == std::string_view::npos)
                    return false;
                i = end;
                continue;
            }
            auto rest = format.substr(i);
            if (StartsNoCase(rest, "am/pm") || StartsNoCase(rest, "a/p") ||
                StartsNoCase(rest, "ampm"))
                return true;
        }
        return false;
    }

    // Writes the AM/PM token at the start of `rest`; returns its length, or 0.
    size_t AmPm(std::string_view rest) {
        bool pm = time_.Hour >= 12;
        if (StartsNoCase(rest, "am/pm")) {
            bool upper = rest[0] == 'A';
            out_ += pm ? (upper ? "PM" : "pm") : (upper ? "AM" : "am");
            return 5;
        }
        if (StartsNoCase(rest, "a/p")) {
            bool upper = rest[0] == 'A';
            out_ += pm ? (upper ? 'P' : 'p') : (upper ? 'A' : 'a');
            return 3;
        }
        if (StartsNoCase(rest, "ampm")) {
            out_ += pm ? settings_.TimePMString : settings_.TimeAMString;
            return 4;
        }
        return 0;
    }

    void Number(int value, int width) {
        std::string digits = std::to_string(value);
        if (static_cast<int>(digits.size()) < width)
            out_.append(static_cast<size_t>(width) - digits.size(), '0');
        out_ += digits;
    }

    TDateTime value_;
    const FormatSettings& settings_;
    DateParts date_;
    TimeParts time_;
    AnsiString out_;
};

} // namespace

AnsiString FormatDateTime(std::string_view format, TDateTime value,
                          const FormatSettings& settings) {
    DateTimeFormatter formatter(value, settings);
    formatter.Append(format.empty() ? std::string_view("c") : format, 0);
    return std::move(formatter).Result();
}

AnsiString DateToStr(TDateTime value, const FormatSettings& settings) {
    return FormatDateTime("ddddd", value, settings);
}

AnsiString TimeToStr(TDateTime value, const FormatSettings& settings) {
    return FormatDateTime("tt", value, settings);
}

AnsiString DateTimeToStr(TDateTime value, const FormatSettings& settings) {
    return FormatDateTime("c", value, settings);
}

namespace {

struct Scanner {
    std::string_view text;
    size_t pos = 0;

    void SkipBlanks() {
        while (pos < text.size() && text[pos] == ' ')
            ++pos;
    }
    bool AtEnd() const { return pos >= text.size(); }
    std::optional<int> Number(int maxDigits) {
        SkipBlanks();
        size_t start = pos;
        int value = 0;
        while (pos < text.size() && pos - start < static_cast<size_t>(maxDigits) &&
               std::isdigit(static_cast<unsigned char>(text[pos])))
            value = value * 10 + (text[pos++] - '0');
        if (pos == start)
            return std::nullopt;
        return value;
    }
    bool Take(char c) {
        SkipBlanks();
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
};

std::optional<TDateTime> ScanTime(Scanner& s, const FormatSettings& settings) {
    auto hour = s.Number(2);
    if (!hour || !s.Take(settings.TimeSeparator))
        return std::nullopt;
    auto minute = s.Number(2);
    if (!minute)
        return std::nullopt;
    int second = 0, ms = 0;
    if (s.Take(settings.TimeSeparator)) {
        auto sec = s.Number(2);
        if (!sec)
            return std::nullopt;
        second = *sec;
        if (s.Take(settings.DecimalSeparator) || s.Take('.')) {
            auto milli = s.Number(3);
            if (!milli)
                return std::nullopt;
            ms = *milli;
        }
    }
    s.SkipBlanks();
    auto rest = s.text.substr(s.pos);
    int h = *hour;
    auto takeMarker = [&](const AnsiString& marker, std::string_view plain) {
        if ((!marker.empty() && rest.size() >= marker.size() &&
             AnsiSameText(rest.substr(0, marker.size()), marker)) ||
            (rest.size() >= plain.size() && SameTextAscii(rest.substr(0, plain.size()), plain))) {
            s.pos += rest.size() >= marker.size() && !marker.empty() &&
                             AnsiSameText(rest.substr(0, marker.size()), marker)
                         ? marker.size()
                         : plain.size();
            return true;
        }
        return false;
    };
    if (takeMarker(settings.TimePMString, "PM")) {
        if (h < 12)
            h += 12;
    } else if (takeMarker(settings.TimeAMString, "AM")) {
        if (h == 12)
            h = 0;
    }
    return TryEncodeTime(h, *minute, second, ms);
}

} // namespace

std::optional<TDateTime> TryStrToTime(std::string_view text, const FormatSettings& settings) {
    Scanner s{text};
    auto value = ScanTime(s, settings);
    s.SkipBlanks();
    if (!value || !s.AtEnd())
        return std::nullopt;
    return value;
}

std::optional<TDateTime> TryStrToDateTime(std::string_view text, const FormatSettings& settings) {
    // The order of day, month and year follows the short date format.
    std::string order;
    for (char c : settings.ShortDateFormat) {
        char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos)
            order += l;
    }
    if (order.size() != 3)
        order = "mdy";
    Scanner s{text};
    int parts[3] = {0, 0, 0};
    int count = 0;
    size_t yearDigits = 0;
    for (; count < 3; ++count) {
        if (count > 0 && !s.Take(settings.DateSeparator))
            break;
        s.SkipBlanks();
        size_t start = s.pos;
        auto number = s.Number(4);
        if (!number)
            return std::nullopt;
        parts[count] = *number;
        if (order[static_cast<size_t>(count)] == 'y')
            yearDigits = s.pos - start;
    }
    if (count < 2)
        return std::nullopt;
    int year = DecodeDate(Today()).Year, month = 0, day = 0;
    if (count == 2) {
        // Day and month only, in their order; the year is this year.
        bool dayFirst = order.find('d') < order.find('m');
        day = dayFirst ? parts[0] : parts[1];
        month = dayFirst ? parts[1] : parts[0];
    } else {
        for (int k = 0; k < 3; ++k) {
            char which = order[static_cast<size_t>(k)];
            (which == 'd' ? day : which == 'm' ? month : year) = parts[k];
        }
        if (order.find('y') < 3 && yearDigits <= 2)
            year += year < 50 ? 2000 : 1900;
    }
    s.Take(settings.DateSeparator); // "d. M. yyyy." style trailing separator
    auto date = TryEncodeDate(year, month, day);
    if (!date)
        return std::nullopt;
    s.SkipBlanks();
    if (s.AtEnd())
        return date;
    auto time = ScanTime(s, settings);
    s.SkipBlanks();
    if (!time || !s.AtEnd())
        return std::nullopt;
    return *date + *time;
}

} // namespace kanvo
