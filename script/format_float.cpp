#include "script/format_float.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace kanvo {
namespace {

std::vector<std::string_view> Sections(std::string_view mask) {
    std::vector<std::string_view> out;
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i < mask.size(); ++i) {
        char c = mask[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            out.push_back(mask.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(mask.substr(start));
    return out;
}

struct Layout {
    int intZeros = 0, intDigits = 0, fracZeros = 0, fracDigits = 0;
    bool grouping = false, scientific = false, expPlus = false;
    int expDigits = 0;
};

Layout Analyse(std::string_view s) {
    Layout l;
    bool afterPoint = false;
    char quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '0' || c == '#') {
            if (afterPoint) {
                ++l.fracDigits;
                if (c == '0')
                    l.fracZeros = l.fracDigits;
            } else {
                ++l.intDigits;
                if (c == '0' || l.intZeros > 0)
                    ++l.intZeros;
            }
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            l.grouping = true;
        } else if ((c == 'E' || c == 'e') && i + 1 < s.size() &&
                   (s[i + 1] == '+' || s[i + 1] == '-')) {
            l.scientific = true;
            l.expPlus = s[i + 1] == '+';
            size_t k = i + 2;
            while (k < s.size() && s[k] == '0')
                ++l.expDigits, ++k;
            break;
        }
    }
    return l;
}

// Decimal digits of |value| rounded to `decimals` places: the integer part and
// the fraction part as texts.
void Digits(double value, int decimals, AnsiString& intPart, AnsiString& fracPart) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    // buf: d.dddddddddddddde[+-]xx
    AnsiString mant;
    mant += buf[0];
    mant.append(buf + 2, 14);
    int exp = std::atoi(buf + 17);
    // digits of the value: mant with the point after position exp+1.
    int pointAt = exp + 1; // digits before the point
    int keep = pointAt + decimals;
    if (keep < 0) {
        intPart.clear();
        fracPart.assign(static_cast<size_t>(decimals), '0');
        return;
    }
    AnsiString digits = mant;
    if (static_cast<int>(digits.size()) < keep + 1)
        digits.append(static_cast<size_t>(keep + 1) - digits.size(), '0');
    bool roundUp = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (roundUp) {
        int k = keep - 1;
        while (k >= 0 && digits[static_cast<size_t>(k)] == '9')
            digits[static_cast<size_t>(k--)] = '0';
        if (k >= 0)
            ++digits[static_cast<size_t>(k)];
        else {
            AnsiString carried("1");
            carried += digits;
            digits.swap(carried);
            ++pointAt;
        }
    }
    if (pointAt <= 0) {
        intPart.assign(1, '0');
        fracPart.clear();
        for (int z = pointAt; z < 0; ++z)
            fracPart += '0';
        fracPart += digits;
    } else {
        intPart = digits.substr(0, static_cast<size_t>(pointAt));
        fracPart = digits.substr(static_cast<size_t>(pointAt));
    }
    fracPart.resize(static_cast<size_t>(decimals), '0');
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == AnsiString::npos ? "" : intPart.substr(nz);
}

AnsiString Render(std::string_view s, double value, const FormatSettings& settings, bool withSign) {
    Layout l = Analyse(s);
    int exponent = 0;
    if (l.scientific && value != 0) {
        int lead = std::max(l.intDigits, 1);
        exponent = static_cast<int>(std::floor(std::log10(std::fabs(value)))) - (lead - 1);
        value /= std::pow(10.0, exponent);
        AnsiString ip, fp;
        Digits(value, l.fracDigits, ip, fp);
        if (static_cast<int>(ip.size()) > lead) { // rounding moved a digit up
            ++exponent;
            value /= 10;
        }
    }
    AnsiString intPart, fracPart;
    Digits(value, l.fracDigits, intPart, fracPart);
    while (static_cast<int>(fracPart.size()) > l.fracZeros && !fracPart.empty() &&
           fracPart.back() == '0')
        fracPart.pop_back();
    if (static_cast<int>(intPart.size()) < l.intZeros)
        intPart.insert(0, static_cast<size_t>(l.intZeros) - intPart.size(), '0');
    if (l.grouping && intPart.size() > 3) {
        for (int i = static_cast<int>(intPart.size()) - 3; i > 0; i -= 3)
            intPart.insert(static_cast<size_t>(i), 1, settings.ThousandSeparator);
    }
    AnsiString out;
    if (withSign)
        out += '-';
    bool intDone = false, afterPoint = false;
    size_t fracIndex = 0;
    char quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                out += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '0' || c == '#') {
            if (!afterPoint) {
                if (!intDone) {
                    out += intPart;
                    intDone = true;
                }
            } else if (fracIndex < fracPart.size()) {
                out += fracPart[fracIndex++];
            }
        } else if (c == '.') {
            if (!intDone) {
                out += intPart;
                intDone = true;
            }
            if (!afterPoint && !fracPart.empty())
                out += settings.DecimalSeparator;
            afterPoint = true;
        } else if (c == ',') {
            // grouping, handled above
        } else if ((c == 'E' || c == 'e') && i + 1 < s.size() &&
                   (s[i + 1] == '+' || s[i + 1] == '-')) {
            if (!intDone) {
                out += intPart;
                intDone = true;
            }
            out += c;
            if (exponent < 0)
                out += '-';
            else if (l.expPlus)
                out += '+';
            AnsiString e = std::to_string(std::abs(exponent));
            if (static_cast<int>(e.size()) < l.expDigits)
                e.insert(0, static_cast<size_t>(l.expDigits) - e.size(), '0');
            out += e;
            i += 1 + static_cast<size_t>(l.expDigits);
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

AnsiString FormatFloat(std::string_view mask, double value, const FormatSettings& settings) {
    if (mask.empty() || std::isnan(value) || std::isinf(value))
        return FloatToStr(value, settings);
    auto sections = Sections(mask);
    std::string_view first = sections[0];
    Layout l = Analyse(first);
    // Is the value zero once rounded by the first section?
    AnsiString ip, fp;
    Digits(value, l.scientific ? 15 : l.fracDigits, ip, fp);
    bool zero = ip.empty() && fp.find_first_not_of('0') == AnsiString::npos;
    if (zero && sections.size() >= 3 && !sections[2].empty())
        return Render(sections[2], 0.0, settings, false);
    if (value < 0 && !zero) {
        if (sections.size() >= 2 && !sections[1].empty())
            return Render(sections[1], -value, settings, false);
        return Render(first, -value, settings, true);
    }
    return Render(first, std::fabs(value), settings, false);
}

} // namespace kanvo
