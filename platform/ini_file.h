// Windows INI files: "[section]" lines followed by "key=value" lines.
//
// Reading follows the Windows rules: section and key names are compared
// without regard to case and with surrounding blanks ignored; the value is
// trimmed and loses one pair of enclosing quotes; a present key with an empty
// value gives the empty text, a missing key or file the default; a value is
// cut to 2047 characters. Every read opens the file, reads one value and
// closes it.
//
// Writing changes only the one line it has to (or inserts one line, or
// appends the section): every other byte of the file stays as it was.
#pragma once

#include "platform/text_types.h"

#include <cstdint>

namespace kanvo {

class IniFile {
public:
    // The longest value a read delivers.
    static constexpr size_t kMaxValueLength = 2047;

    explicit IniFile(AnsiString path) : path_(std::move(path)) {}

    const AnsiString& Path() const { return path_; }

    AnsiString ReadString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;
    // Decimal, or hexadecimal when the text has at least three characters and
    // starts with "0x" / "0X"; anything else (and a value outside 32 bits)
    // gives the default.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // Raises EFileError "Unable to write to %s" (the path) when the file
    // cannot be written; the file then keeps its old contents.
    void WriteString(std::string_view section, std::string_view key, std::string_view value) const;
    void WriteInteger(std::string_view section, std::string_view key, int32_t value) const;

    // The same rules on text already in memory (used by the above and tests).
    static AnsiString ReadFromText(std::string_view text, std::string_view section,
                                   std::string_view key, std::string_view defaultValue);
    static std::string WriteToText(std::string_view text, std::string_view section,
                                   std::string_view key, std::string_view value);

private:
    AnsiString path_;
};

// The integer rule of ReadInteger applied to a text.
int32_t IniTextToInt(std::string_view text, int32_t defaultValue);

} // namespace kanvo
