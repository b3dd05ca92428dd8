#include "app/text_helpers.h"

#include "platform/code_page.h"
#include "platform/files.h"

#include <array>

namespace kanvo {

AnsiString FolderOfPath(const AnsiString& path) {
    size_t slash = path.rfind(kPathDelim);
    return slash == AnsiString::npos ? AnsiString() : path.substr(0, slash + 1);
}

AnsiString ProgramFolder() {
    return FolderOfPath(ExecutablePath());
}

char LastChar(const AnsiString& text) {
    return text.empty() ? '\0' : text.back();
}

AnsiString AddTrailingBackslash(const AnsiString& text) {
    char last = LastChar(text);
    if (last == kPathDelim || last == '\\')
        return text;
    return text + kPathDelim;
}

AnsiString UpperText(const AnsiString& text) {
    return AnsiUpperCase(text);
}

size_t PosFrom(const AnsiString& sub, const AnsiString& text, long long start) {
    if (sub.empty())
        return 0;
    size_t from = start <= 1 ? 0 : static_cast<size_t>(start - 1);
    if (from >= text.size())
        return 0;
    size_t found = text.find(sub, from);
    return found == AnsiString::npos ? 0 : found + 1;
}

AnsiString ReplaceAllNoCase(const AnsiString& text, const AnsiString& oldText,
                            const AnsiString& newText) {
    AnsiString result = text;
    if (oldText.empty())
        return result;
    const AnsiString key = UpperText(oldText);
    size_t pos = PosFrom(key, UpperText(result), 1);
    while (pos != 0) {
        result.replace(pos - 1, oldText.size(), newText);
        pos = PosFrom(key, UpperText(result), static_cast<long long>(pos + newText.size()));
    }
    return result;
}

namespace {

// Windows-1250 codes 0x80..0xFF and the plain letter each folds to.
constexpr std::array<unsigned char, 128> MakeFoldTable() {
    std::array<unsigned char, 128> table{};
    for (int i = 0; i < 128; ++i)
        table[static_cast<size_t>(i)] = static_cast<unsigned char>(0x80 + i);
    struct Entry {
        char letter;
        const char* codes;
    };
    constexpr Entry kEntries[] = {
        {'A', "\xA5\xC1\xC2\xC3\xC4"},
        {'a', "\xB9\xE1\xE2\xE3\xE4"},
        {'C', "\xC6\xC7\xC8"},
        {'c', "\xE6\xE7\xE8"},
        {'D', "\xCF\xD0"},
        {'d', "\xEF\xF0"},
        {'E', "\xC9\xCA\xCB\xCC"},
        {'e', "\xE9\xEA\xEB\xEC"},
        {'I', "\xCD\xCE"},
        {'i', "\xED\xEE"},
        {'L', "\xA3\xBC\xC5"},
        {'l', "\xBE\xE5"},
        {'N', "\xD1\xD2"},
        {'n', "\xF1\xF2"},
        {'O', "\xD3\xD4\xD5\xD6"},
        {'o', "\xF3\xF4\xF5\xF6"},
        {'R', "\xC0\xD8"},
        {'r', "\xE0\xF8"},
        {'S', "\x8A\x8C\xAA"},
        {'s', "\x9A\x9C\xBA"},
        {'T', "\x8D\xDE"},
        {'t', "\x9D\xFE"},
        {'U', "\xD9\xDA\xDB\xDC"},
        {'u', "\xF9\xFA\xFB\xFC"},
        {'Y', "\xDD"},
        {'y', "\xFD"},
        {'Z', "\x8E\x8F\xAF"},
        {'z', "\x9E\x9F\xBF"},
    };
    for (const auto& entry : kEntries)
        for (const char* p = entry.codes; *p; ++p)
            table[static_cast<unsigned char>(*p) - 0x80u] =
                static_cast<unsigned char>(entry.letter);
    return table;
}

constexpr auto kFoldTable = MakeFoldTable();

} // namespace

AnsiString FoldDiacritics(const AnsiString& text) {
    AnsiString result = text;
    for (char& c : result) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            c = static_cast<char>(kFoldTable[byte - 0x80u]);
    }
    return result;
}

} // namespace kanvo
