// The process locale as the report and the job see it: decimal and thousand
// separators, date and time formats, month and day names. Taken from the
// environment (LC_ALL, then LC_NUMERIC / LC_TIME, then LANG) once at start-up;
// tests set their own through SetProcessFormatSettings.
#pragma once

#include "platform/text_types.h"

#include <array>
#include <optional>

namespace kanvo {

struct FormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    AnsiString ShortDateFormat = "M/d/yyyy";
    AnsiString LongDateFormat = "dddd, MMMM d, yyyy";
    AnsiString ShortTimeFormat = "h:mm AMPM";
    AnsiString LongTimeFormat = "h:mm:ss AMPM";
    AnsiString TimeAMString = "AM";
    AnsiString TimePMString = "PM";
    AnsiString CurrencyString = "$";
    // Names in the process code page, January first / Sunday first.
    std::array<AnsiString, 12> ShortMonthNames;
    std::array<AnsiString, 12> LongMonthNames;
    std::array<AnsiString, 7> ShortDayNames;
    std::array<AnsiString, 7> LongDayNames;

    // Settings of a locale name such as "cs_CZ.UTF-8", "en_US" or "C". Unknown
    // languages get the neutral settings of "C".
    static FormatSettings ForLocale(std::string_view localeName);
    // Settings from LC_ALL / LC_NUMERIC / LC_TIME / LANG: separators follow the
    // numeric locale, dates and names the time locale.
    static FormatSettings FromEnvironment();
};

const FormatSettings& ProcessFormatSettings();
void SetProcessFormatSettings(const FormatSettings& settings);

// Holds other process settings for the life of a scope (tests).
class ScopedFormatSettings {
public:
    explicit ScopedFormatSettings(const FormatSettings& settings);
    ~ScopedFormatSettings();
    ScopedFormatSettings(const ScopedFormatSettings&) = delete;
    ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

private:
    FormatSettings saved_;
};

// Floats in the general format with 15 significant digits: fixed notation
// while the integer part has at most 15 digits and the value is at least
// 0.00001, scientific ("1E20", "-3,68E-6") otherwise; "NAN", "INF", "-INF".
AnsiString FloatToStr(double value, const FormatSettings& settings = ProcessFormatSettings());
// The same with another number of significant digits (1..18).
AnsiString FloatToStrGeneral(double value, int precision, const FormatSettings& settings);

// Reads a float written with the settings' decimal separator (leading and
// trailing blanks allowed, optional exponent). Nothing else is accepted.
std::optional<double> TryStrToFloat(std::string_view text,
                                    const FormatSettings& settings = ProcessFormatSettings());
// Reads a decimal integer, or "$" / "0x" hexadecimal; blanks around allowed.
std::optional<int64_t> TryStrToInt64(std::string_view text);

} // namespace kanvo
