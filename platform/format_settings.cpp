#include "platform/format_settings.h"

#include "platform/code_page.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kanvo {
namespace {

struct LocaleTable {
    const char* language; // "cs", "en_GB", ...: the longest match wins
    char decimal;
    char thousand; // '\xA0' stands for the no-break space of the code page
    char dateSeparator;
    const char* shortDate;
    const char* longDate;
    const char* shortTime;
    const char* longTime;
    const char* am;
    const char* pm;
    const char* currency;
    // UTF-8, separated by '|'
    const char* shortMonths;
    const char* longMonths;
    const char* shortDays;
    const char* longDays;
};

constexpr const char* kEnglishShortMonths = "Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec";
constexpr const char* kEnglishLongMonths = "January|February|March|April|May|June|July|August|"
                                           "September|October|November|December";
constexpr const char* kEnglishShortDays = "Sun|Mon|Tue|Wed|Thu|Fri|Sat";
constexpr const char* kEnglishLongDays = "Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday";

const LocaleTable kLocales[] = {
    {"C", '.', ',', '/', "M/d/yyyy", "dddd, MMMM d, yyyy", "h:mm AMPM", "h:mm:ss AMPM", "AM", "PM",
     "$", kEnglishShortMonths, kEnglishLongMonths, kEnglishShortDays, kEnglishLongDays},
    {"en", '.', ',', '/', "M/d/yyyy", "dddd, MMMM d, yyyy", "h:mm AMPM", "h:mm:ss AMPM", "AM", "PM",
     "$", kEnglishShortMonths, kEnglishLongMonths, kEnglishShortDays, kEnglishLongDays},
    {"en_GB", '.', ',', '/', "dd/MM/yyyy", "dd MMMM yyyy", "HH:mm", "HH:mm:ss", "AM", "PM",
     "\xC2\xA3", kEnglishShortMonths, kEnglishLongMonths, kEnglishShortDays, kEnglishLongDays},
    {"cs", ',', '\xA0', '.', "d.M.yyyy", "d. MMMM yyyy", "H:mm", "H:mm:ss", "dop.", "odp.",
     "K\xC4\x8D",
     "led|\xC3\xBAno|b\xC5\x99"
     "e|dub|kv\xC4\x9B|\xC4\x8Dvn|\xC4\x8Dvc|srp|"
     "z\xC3\xA1\xC5\x99|\xC5\x99\xC3\xADj|lis|pro",
     "leden|\xC3\xBAnor|b\xC5\x99"
     "ezen|duben|kv\xC4\x9Bten|\xC4\x8D"
     "erven|\xC4\x8D"
     "ervenec|"
     "srpen|z\xC3\xA1\xC5\x99\xC3\xAD|\xC5\x99\xC3\xADjen|listopad|prosinec",
     "ne|po|\xC3\xBAt|st|\xC4\x8Dt|p\xC3\xA1|so",
     "ned\xC4\x9Ble|pond\xC4\x9Bl\xC3\xAD|\xC3\xBAter\xC3\xBD|st\xC5\x99"
     "eda|\xC4\x8Dtvrtek|"
     "p\xC3\xA1tek|sobota"},
    {"sk", ',', '\xA0', '.', "d. M. yyyy", "d. MMMM yyyy", "H:mm", "H:mm:ss", "AM", "PM",
     "\xE2\x82\xAC", kEnglishShortMonths, kEnglishLongMonths, kEnglishShortDays, kEnglishLongDays},
    {"pl", ',', '\xA0', '.', "dd.MM.yyyy", "d MMMM yyyy", "HH:mm", "HH:mm:ss", "AM", "PM",
     "z\xC5\x82", kEnglishShortMonths, kEnglishLongMonths, kEnglishShortDays, kEnglishLongDays},
    {"de", ',', '.', '.', "dd.MM.yyyy", "dddd, d. MMMM yyyy", "HH:mm", "HH:mm:ss", "", "",
     "\xE2\x82\xAC", kEnglishShortMonths, kEnglishLongMonths, kEnglishShortDays, kEnglishLongDays},
    {"fr", ',', '\xA0', '/', "dd/MM/yyyy", "dddd d MMMM yyyy", "HH:mm", "HH:mm:ss", "", "",
     "\xE2\x82\xAC", kEnglishShortMonths, kEnglishLongMonths, kEnglishShortDays, kEnglishLongDays},
};

template <size_t N>
void SplitNames(const char* utf8, std::array<AnsiString, N>& names) {
    std::string_view rest(utf8);
    for (size_t i = 0; i < N; ++i) {
        size_t bar = rest.find('|');
        names[i] = Utf8ToAnsi(rest.substr(0, bar));
        rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    }
}

const LocaleTable& LookupLocale(std::string_view name) {
    // "cs_CZ.UTF-8@euro" -> "cs_CZ"
    size_t cut = name.find_first_of(".@");
    std::string_view base = name.substr(0, cut);
    const LocaleTable* best = &kLocales[0];
    size_t bestLength = 0;
    for (const auto& entry : kLocales) {
        std::string_view lang(entry.language);
        bool match =
            base == lang || (base.size() > lang.size() && base.substr(0, lang.size()) == lang &&
                             base[lang.size()] == '_');
        if (match && lang.size() > bestLength) {
            best = &entry;
            bestLength = lang.size();
        }
    }
    return *best;
}

FormatSettings FromTable(const LocaleTable& table) {
    FormatSettings s;
    s.DecimalSeparator = table.decimal;
    s.ThousandSeparator =
        table.thousand == '\xA0' ? Utf8ToAnsi("\xC2\xA0").front() : table.thousand;
    s.DateSeparator = table.dateSeparator;
    s.TimeSeparator = ':';
    s.ShortDateFormat = table.shortDate;
    s.LongDateFormat = table.longDate;
    s.ShortTimeFormat = table.shortTime;
    s.LongTimeFormat = table.longTime;
    s.TimeAMString = Utf8ToAnsi(table.am);
    s.TimePMString = Utf8ToAnsi(table.pm);
    s.CurrencyString = Utf8ToAnsi(table.currency);
    SplitNames(table.shortMonths, s.ShortMonthNames);
    SplitNames(table.longMonths, s.LongMonthNames);
    SplitNames(table.shortDays, s.ShortDayNames);
    SplitNames(table.longDays, s.LongDayNames);
    return s;
}

std::string_view EnvOr(const char* category) {
    for (const char* name : {"LC_ALL", category, "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "C";
}

std::mutex gSettingsMutex;
FormatSettings& MutableProcessSettings() {
    static FormatSettings settings = FormatSettings::FromEnvironment();
    return settings;
}

} // namespace

FormatSettings FormatSettings::ForLocale(std::string_view localeName) {
    return FromTable(LookupLocale(localeName));
}

FormatSettings FormatSettings::FromEnvironment() {
    FormatSettings numeric = ForLocale(EnvOr("LC_NUMERIC"));
    FormatSettings result = ForLocale(EnvOr("LC_TIME"));
    result.DecimalSeparator = numeric.DecimalSeparator;
    result.ThousandSeparator = numeric.ThousandSeparator;
    return result;
}

const FormatSettings& ProcessFormatSettings() {
    return MutableProcessSettings();
}

void SetProcessFormatSettings(const FormatSettings& settings) {
    std::lock_guard lock(gSettingsMutex);
    MutableProcessSettings() = settings;
}

ScopedFormatSettings::ScopedFormatSettings(const FormatSettings& settings)
    : saved_(ProcessFormatSettings()) {
    SetProcessFormatSettings(settings);
}

ScopedFormatSettings::~ScopedFormatSettings() {
    SetProcessFormatSettings(saved_);
}

AnsiString FloatToStrGeneral(double value, int precision, const FormatSettings& settings) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    precision = std::clamp(precision, 1, 18);
    if (value == 0)
        return "0";
    // d.ddddde[+-]xx with `precision` significant digits
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, value);
    std::string_view text(buffer);
    bool negative = text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    size_t e = text.find('e');
    int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    std::string digits;
    for (char c : text.substr(0, e))
        if (c != '.')
            digits += c;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    AnsiString out = negative ? "-" : "";
    int integerDigits = exponent + 1;
    if (integerDigits <= precision && std::fabs(value) >= 0.00001) {
        if (integerDigits <= 0) {
            out += '0';
            out += settings.DecimalSeparator;
            out.append(static_cast<size_t>(-integerDigits), '0');
            out += digits;
        } else if (static_cast<size_t>(integerDigits) >= digits.size()) {
            out += digits;
            out.append(static_cast<size_t>(integerDigits) - digits.size(), '0');
        } else {
            out += digits.substr(0, static_cast<size_t>(integerDigits));
            out += settings.DecimalSeparator;
            out += digits.substr(static_cast<size_t>(integerDigits));
        }
        return out;
    }
    out += digits[0];
    if (digits.size() > 1) {
        out += settings.DecimalSeparator;
        out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
}

AnsiString FloatToStr(double value, const FormatSettings& settings) {
    return FloatToStrGeneral(value, 15, settings);
}

std::optional<double> TryStrToFloat(std::string_view text, const FormatSettings& settings) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    std::string normal;
    size_t i = 0;
    if (text[i] == '+' || text[i] == '-')
        normal += text[i++];
    bool digits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        normal += text[i++];
        digits = true;
    }
    if (i < text.size() && text[i] == settings.DecimalSeparator) {
        normal += '.';
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            normal += text[i++];
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            normal += text[i++];
        bool expDigits = false;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            normal += text[i++];
            expDigits = true;
        }
        if (!expDigits)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    return std::strtod(normal.c_str(), nullptr);
}

std::optional<int64_t> TryStrToInt64(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        if (value > (UINT64_MAX - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (base == 10) {
        if (negative ? value > uint64_t{1} << 63 : value > static_cast<uint64_t>(INT64_MAX))
            return std::nullopt;
        return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
    }
    // Hexadecimal keeps its bit pattern, as the run-time library does.
    auto bits = static_cast<int64_t>(value);
    return negative ? -bits : bits;
}

} // namespace kanvo
