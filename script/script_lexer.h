// The tokens of PascalScript source. Internal to the script layer.
#pragma once

#include "script/script.h"

namespace kanvo {

enum class Tok { End, Ident, Integer, Float, String, Symbol };

struct Token {
    Tok kind = Tok::End;
    AnsiString text;  // identifier, symbol or the string's value
    AnsiString upper; // identifiers: upper-cased
    Variant value;    // numbers
    ScriptPos pos;
    size_t offset = 0; // byte offset of the token in the source
    size_t endOffset = 0;
};

class ScriptLexer {
public:
    explicit ScriptLexer(const AnsiString& source) : src_(source) {}
    // Raises EScriptError for a malformed token.
    Token Next();
    // Reads an angle-bracket reference whose "<" starts at offset: the text up
    // to the matching ">" (a ">" inside double quotes does not count).
    AnsiString AngleReference(size_t offset, ScriptPos pos);
    ScriptPos PosAt(size_t offset) const;
    const AnsiString& Source() const { return src_; }

private:
    void SkipBlanks();
    const AnsiString& src_;
    size_t i_ = 0;
};

} // namespace kanvo
