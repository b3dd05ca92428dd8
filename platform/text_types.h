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

} // namespace kanvo
