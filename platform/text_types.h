// The two kinds of text the system works with.
//
// AnsiString holds bytes in the process ANSI code page (Windows-1250 unless the
// process says otherwise): everything the host system hands us, database values,
// file names and the non-memo strings of templates. WideString holds UTF-16 code
// units: memo lines and PDF text strings. Conversion happens at the boundaries
// only, through code_page.h.
#pragma once

#include <string>
#include <string_view>

namespace kanvo {

using AnsiString = std::string;
using WideString = std::u16string;
using AnsiChar = char;
using WideChar = char16_t;

// The text without the blanks and control characters (codes up to 32) at
// either end.
inline std::string_view TrimBlanks(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return text.substr(b, e - b);
}

} // namespace kanvo
