#include "platform/exception.h"

#include "platform/code_page.h"
#include "platform/format_settings.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace kanvo {
namespace {

[[noreturn]] void Invalid(std::string_view format) {
    throw EConvertError("Format '" + AnsiString(format) +
                        "' invalid or incompatible with argument");
}

AnsiString Pad(AnsiString text, int width, bool left) {
    if (width > 0 && static_cast<int>(text.size()) < width) {
        size_t fill = static_cast<size_t>(width) - text.size();
        if (left)
            text.append(fill, ' ');
        else
            text.insert(0, fill, ' ');
    }
    return text;
}

AnsiString Grouped(AnsiString digits, char separator) {
    size_t start = !digits.empty() && digits[0] == '-' ? 1 : 0;
    size_t end = digits.find('.');
    if (end == AnsiString::npos)
        end = digits.size();
    for (size_t i = end; i > start + 3; i -= 3)
        digits.insert(i - 3, 1, separator);
    return digits;
}

AnsiString FixedText(double value, int precision, char directive, const FormatSettings& settings) {
    char buffer[512];
    const char spec = directive == 'e' ? 'E' : 'f';
    if (directive == 'g') {
        return FloatToStrGeneral(value, precision < 0 ? 15 : precision, settings);
    }
    if (precision < 0)
        precision = 2;
    precision = std::min(precision, 18);
    if (std::fabs(value) >= 1e300 && spec == 'f')
        return FloatToStr(value, settings);
    std::snprintf(buffer, sizeof buffer, spec == 'E' ? "%.*E" : "%.*f", precision, value);
    AnsiString text(buffer);
    if (directive == 'n')
        text = Grouped(text, settings.ThousandSeparator);
    for (char& c : text)
        if (c == '.')
            c = settings.DecimalSeparator;
    return text;
}

} // namespace

AnsiString Format(std::string_view format, std::initializer_list<FormatArg> args) {
    const FormatSettings& settings = ProcessFormatSettings();
    AnsiString out;
    auto next = args.begin();
    size_t i = 0;
    while (i < format.size()) {
        char c = format[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        bool left = false;
        int width = -1, precision = -1;
        if (i < format.size() && format[i] == '-') {
            left = true;
            ++i;
        }
        auto readNumber = [&]() {
            int n = 0;
            while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])) &&
                   n < 100000)
                n = n * 10 + (format[i++] - '0');
            return n;
        };
        if (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])))
            width = readNumber();
        if (i < format.size() && format[i] == '.') {
            ++i;
            precision = readNumber();
        }
        if (i >= format.size())
            Invalid(format);
        char directive = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        bool upperHex = format[i] == 'X';
        ++i;
        if (next == args.end())
            Invalid(format);
        const auto& value = (next++)->Value();
        AnsiString text;
        switch (directive) {
        case 's':
            if (const auto* s = std::get_if<AnsiString>(&value))
                text = precision >= 0 ? s->substr(0, static_cast<size_t>(precision)) : *s;
            else
                Invalid(format);
            break;
        case 'd':
        case 'u':
        case 'x': {
            const auto* n = std::get_if<int64_t>(&value);
            if (!n)
                Invalid(format);
            char buffer[32];
            if (directive == 'x')
                std::snprintf(buffer, sizeof buffer, upperHex ? "%llX" : "%llx",
                              static_cast<unsigned long long>(*n));
            else if (directive == 'u')
                std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(*n));
            else
                std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(*n));
            text = buffer;
            if (precision > 0) {
                size_t sign = text[0] == '-' ? 1 : 0;
                if (text.size() - sign < static_cast<size_t>(precision))
                    text.insert(sign, static_cast<size_t>(precision) - (text.size() - sign), '0');
            }
            break;
        }
        case 'f':
        case 'e':
        case 'g':
        case 'n':
        case 'm': {
            double number;
            if (const auto* d = std::get_if<double>(&value))
                number = *d;
            else if (const auto* n = std::get_if<int64_t>(&value))
                number = static_cast<double>(*n);
            else
                Invalid(format);
            if (directive == 'm') {
                text = FixedText(number, precision, 'n', settings) + " " + settings.CurrencyString;
            } else {
                text = FixedText(number, precision, directive, settings);
            }
            break;
        }
        default:
            Invalid(format);
        }
        out += Pad(std::move(text), width, left);
    }
    return out;
}

AnsiString SystemErrorMessage(int errorNumber) {
    char buffer[256];
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return Utf8ToAnsi(text);
}

} // namespace kanvo
