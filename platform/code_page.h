// Code pages: conversions between 8-bit text, UTF-16 and UTF-8, and the
// per-code-page letter case tables.
//
// Single-byte code pages (874, 1250-1258) are turned into 256-entry tables once
// per process through iconv; multi-byte ones (932, 936, 949, 950, 1361) go
// through iconv on every call. Characters that the target code page lacks become
// '?', as the Windows conversion does with its default character.
#pragma once

#include "platform/text_types.h"

#include <cstdint>

namespace kanvo {

constexpr int kDefaultCodePage = 1250;

// The process ANSI code page, 1250 unless changed. Not thread-safe to change
// while other threads convert; it is set once at start-up (or by tests).
int ProcessCodePage();
void SetProcessCodePage(int codePage);

// True for the code pages the system knows (see the list above, plus 65001).
bool IsSupportedCodePage(int codePage);
// True for the single-byte code pages.
bool IsSingleByteCodePage(int codePage);
// The iconv name of a code page, empty for an unknown one.
const char* IconvName(int codePage);

// 8-bit text in `codePage` to UTF-16 and back. An unknown code page throws.
WideString AnsiToWide(std::string_view text, int codePage);
AnsiString WideToAnsi(std::u16string_view text, int codePage);
inline WideString AnsiToWide(std::string_view text) {
    return AnsiToWide(text, ProcessCodePage());
}
inline AnsiString WideToAnsi(std::u16string_view text) {
    return WideToAnsi(text, ProcessCodePage());
}

// UTF-8 <-> UTF-16. Invalid UTF-8 sequences become U+FFFD; unpaired
// surrogates are written as U+FFFD.
WideString Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);

// 8-bit text <-> UTF-8 (for file names, the OS and the GUI).
std::string AnsiToUtf8(std::string_view text, int codePage);
AnsiString Utf8ToAnsi(std::string_view text, int codePage);
inline std::string AnsiToUtf8(std::string_view text) {
    return AnsiToUtf8(text, ProcessCodePage());
}
inline AnsiString Utf8ToAnsi(std::string_view text) {
    return Utf8ToAnsi(text, ProcessCodePage());
}

// Letter case of 8-bit text by the rules of its code page: a byte changes when
// its character has an upper (lower) case form that the code page also holds.
// Multi-byte code pages change ASCII letters only. The length never changes.
AnsiString AnsiUpperCase(std::string_view text, int codePage);
AnsiString AnsiLowerCase(std::string_view text, int codePage);
inline AnsiString AnsiUpperCase(std::string_view text) {
    return AnsiUpperCase(text, ProcessCodePage());
}
inline AnsiString AnsiLowerCase(std::string_view text) {
    return AnsiLowerCase(text, ProcessCodePage());
}

// Letter case of UTF-16 text, one code unit at a time (surrogates unchanged).
WideString WideUpperCase(std::u16string_view text);
WideString WideLowerCase(std::u16string_view text);

// Case-insensitive comparison of 8-bit texts by the process code page:
// negative, zero or positive.
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
// ASCII-only case folding, for names (components, keys, INI sections).
bool SameTextAscii(std::string_view a, std::string_view b);

} // namespace kanvo
