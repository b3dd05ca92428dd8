// Small helpers on 8-bit text that the contract job uses to build paths and
// the PDF file name. Texts are in the process code page; positions count
// from 1.
#pragma once

#include "platform/text_types.h"

namespace kanvo {

// The folder of the running executable, ending in the path delimiter.
AnsiString ProgramFolder();
// The folder part of an executable path: everything up to its last "/".
AnsiString FolderOfPath(const AnsiString& path);

// The text followed by the path delimiter unless its last character already
// is "/" or "\". An empty text gives the delimiter alone.
AnsiString AddTrailingBackslash(const AnsiString& text);

// Upper case by the rules of the process code page; the length never changes.
AnsiString UpperText(const AnsiString& text);

// Position of the first occurrence of `sub` in `text` at or after `start`;
// 0 when there is none, for an empty `sub` and for a start beyond the end.
size_t PosFrom(const AnsiString& sub, const AnsiString& text, long long start);

// Every occurrence of `oldText`, found without regard to case, replaced by
// `newText`; the search goes on after each inserted text. An empty `oldText`
// changes nothing.
AnsiString ReplaceAllNoCase(const AnsiString& text, const AnsiString& oldText,
                            const AnsiString& newText);

// The last character of the text; '\0' for an empty text.
char LastChar(const AnsiString& text);

// Central European letters with diacritics (Windows-1250) folded to their
// plain letters; every other character stays. The length never changes.
AnsiString FoldDiacritics(const AnsiString& text);

} // namespace kanvo
