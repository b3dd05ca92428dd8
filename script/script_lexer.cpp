#include "script/script_lexer.h"

#include <cctype>

namespace kanvo {

AnsiString ScriptPos::Text() const {
    return std::to_string(Line) + ":" + std::to_string(Column);
}

ScriptPos ScriptLexer::PosAt(size_t offset) const {
    ScriptPos pos{1, 1};
    for (size_t k = 0; k < offset && k < src_.size(); ++k) {
        if (src_[k] == '\n') {
            ++pos.Line;
            pos.Column = 1;
        } else {
            ++pos.Column;
        }
    }
    return pos;
}

void ScriptLexer::SkipBlanks() {
    for (;;) {
        while (i_ < src_.size() && static_cast<unsigned char>(src_[i_]) <= ' ')
            ++i_;
        if (i_ + 1 < src_.size() && src_[i_] == '/' && src_[i_ + 1] == '/') {
            while (i_ < src_.size() && src_[i_] != '\n')
                ++i_;
        } else if (i_ < src_.size() && src_[i_] == '{') {
            size_t end = src_.find('}', i_);
            if (end == AnsiString::npos)
                throw EScriptError("Unterminated comment", PosAt(i_));
            i_ = end + 1;
        } else if (i_ + 1 < src_.size() && src_[i_] == '(' && src_[i_ + 1] == '*') {
            size_t end = src_.find("*)", i_ + 2);
            if (end == AnsiString::npos)
                throw EScriptError("Unterminated comment", PosAt(i_));
            i_ = end + 2;
        } else {
            return;
        }
    }
}

namespace {
bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

Token ScriptLexer::Next() {
    SkipBlanks();
    Token t;
    t.offset = i_;
    t.pos = PosAt(i_);
    if (i_ >= src_.size()) {
        t.endOffset = i_;
        return t;
    }
    char c = src_[i_];
    if (IsIdentStart(c)) {
        size_t start = i_;
        while (i_ < src_.size() && IsIdentChar(src_[i_]))
            ++i_;
        t.kind = Tok::Ident;
        t.text = src_.substr(start, i_ - start);
        t.upper = ScriptNameKey(t.text);
    } else if (IsDigit(c) || (c == '$' && i_ + 1 < src_.size() &&
                              std::isxdigit(static_cast<unsigned char>(src_[i_ + 1])))) {
        size_t start = i_;
        if (c == '$') {
            ++i_;
            while (i_ < src_.size() && std::isxdigit(static_cast<unsigned char>(src_[i_])))
                ++i_;
            auto n = TryStrToInt64(src_.substr(start, i_ - start));
            if (!n)
                throw EScriptError("Invalid number", t.pos);
            t.kind = Tok::Integer;
            t.value =
                (*n >= INT32_MIN && *n <= INT32_MAX) ? Variant(static_cast<int>(*n)) : Variant(*n);
        } else {
            while (i_ < src_.size() && IsDigit(src_[i_]))
                ++i_;
            bool isFloat = false;
            if (i_ + 1 < src_.size() && src_[i_] == '.' && IsDigit(src_[i_ + 1])) {
                isFloat = true;
                ++i_;
                while (i_ < src_.size() && IsDigit(src_[i_]))
                    ++i_;
            }
            if (i_ < src_.size() && (src_[i_] == 'e' || src_[i_] == 'E')) {
                size_t k = i_ + 1;
                if (k < src_.size() && (src_[k] == '+' || src_[k] == '-'))
                    ++k;
                if (k < src_.size() && IsDigit(src_[k])) {
                    isFloat = true;
                    i_ = k;
                    while (i_ < src_.size() && IsDigit(src_[i_]))
                        ++i_;
                }
            }
            AnsiString text = src_.substr(start, i_ - start);
            if (isFloat) {
                t.kind = Tok::Float;
                t.value = Variant(std::strtod(text.c_str(), nullptr));
            } else {
                t.kind = Tok::Integer;
                auto n = TryStrToInt64(text);
                if (!n)
                    t.kind = Tok::Float, t.value = Variant(std::strtod(text.c_str(), nullptr));
                else
                    t.value = (*n <= INT32_MAX) ? Variant(static_cast<int>(*n)) : Variant(*n);
            }
        }
        t.text = src_.substr(start, i_ - start);
    } else if (c == '\'' || c == '#') {
        t.kind = Tok::String;
        while (i_ < src_.size() && (src_[i_] == '\'' || src_[i_] == '#')) {
            if (src_[i_] == '\'') {
                ++i_;
                for (;;) {
                    if (i_ >= src_.size() || src_[i_] == '\n')
                        throw EScriptError("Unterminated string", t.pos);
                    if (src_[i_] == '\'') {
                        if (i_ + 1 < src_.size() && src_[i_ + 1] == '\'') {
                            t.text += '\'';
                            i_ += 2;
                            continue;
                        }
                        ++i_;
                        break;
                    }
                    t.text += src_[i_++];
                }
            } else {
                size_t start = ++i_;
                bool hex = i_ < src_.size() && src_[i_] == '$';
                if (hex)
                    ++i_;
                while (i_ < src_.size() &&
                       (hex ? std::isxdigit(static_cast<unsigned char>(src_[i_])) != 0
                            : IsDigit(src_[i_])))
                    ++i_;
                auto n = TryStrToInt64(src_.substr(start, i_ - start));
                if (!n || *n < 0 || *n > 255)
                    throw EScriptError("Invalid character code", PosAt(start - 1));
                t.text += static_cast<char>(*n);
            }
        }
    } else {
        static const char* const twoChar[] = {":=", "<>", "<=", ">=", "..", nullptr};
        t.kind = Tok::Symbol;
        for (int k = 0; twoChar[k]; ++k)
            if (src_.compare(i_, 2, twoChar[k]) == 0) {
                t.text = twoChar[k];
                i_ += 2;
                break;
            }
        if (t.text.empty()) {
            if (std::string_view("+-*/=<>()[],;:.^@").find(c) == std::string_view::npos)
                throw EScriptError(AnsiString("Illegal character '") + c + "'", t.pos);
            t.text = AnsiString(1, c);
            ++i_;
        }
    }
    t.endOffset = i_;
    return t;
}

AnsiString ScriptLexer::AngleReference(size_t offset, ScriptPos pos) {
    size_t k = offset + 1;
    bool quoted = false;
    while (k < src_.size()) {
        char c = src_[k];
        if (c == '\n' || c == '\r')
            break;
        if (c == '"')
            quoted = !quoted;
        else if (c == '>' && !quoted) {
            AnsiString text = src_.substr(offset + 1, k - offset - 1);
            i_ = k + 1;
            if (text.empty())
                throw EScriptError("Empty reference '<>'", pos);
            return text;
        }
        ++k;
    }
    throw EScriptError("Unterminated reference: '>' expected", pos);
}

} // namespace kanvo
