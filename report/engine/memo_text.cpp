#include "report/engine/memo_text.h"

#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "platform/format_settings.h"
#include "platform/graphics/font_service.h"
#include "report/model/variables.h"
#include "script/format_float.h"

#include <algorithm>

namespace kanvo {
namespace {

constexpr size_t kMaxFormatLength = 255;

template <typename Char>
bool StartsAt(std::basic_string_view<Char> text, size_t pos, std::basic_string_view<Char> part) {
    return pos <= text.size() && text.size() - pos >= part.size() &&
           text.compare(pos, part.size(), part) == 0;
}

template <typename Char>
Char AsciiUpper(Char c) {
    return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 'a' + 'A') : c;
}

// Equality with an upper-case ASCII text, ASCII letters compared without case.
bool SameAsciiText(std::u16string_view text, std::string_view upper) {
    if (text.size() != upper.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (AsciiUpper(text[i]) != static_cast<char16_t>(upper[i]))
            return false;
    return true;
}

// The first occurrence of an upper-case ASCII text, ASCII letters compared
// without case.
size_t FindAsciiText(std::u16string_view text, std::string_view upper) {
    if (upper.size() > text.size())
        return std::u16string_view::npos;
    for (size_t i = 0; i + upper.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < upper.size() && AsciiUpper(text[i + k]) == static_cast<char16_t>(upper[k]))
            ++k;
        if (k == upper.size())
            return i;
    }
    return std::u16string_view::npos;
}

// The expansion loop shared by memo texts and TagStr/URL: from the first
// opening delimiter on, each bracketed expression is replaced by `expand`'s
// result and the scan goes on after the replaced span, so inserted text is
// never read again. The result is built in one pass.
template <typename Char, typename Expand>
std::basic_string<Char> ExpandBrackets(std::basic_string_view<Char> text,
                                       std::basic_string_view<Char> open,
                                       std::basic_string_view<Char> close, Expand&& expand) {
    if (open.empty() || text.find(open) == std::basic_string_view<Char>::npos)
        return std::basic_string<Char>(text);
    std::basic_string<Char> out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t copied = 0; // text[0, copied) is already in `out`
    size_t i = 0;
    for (;;) {
        // The next opening delimiter; the walk stops at the last character.
        if (i + 1 < n) {
            size_t next = text.find(open, i);
            i = next == std::basic_string_view<Char>::npos ? n - 1 : std::min(next, n - 1);
        }
        BracketMatch<Char> match = ScanBrackets(text, open, close, i);
        if (!match.Found)
            break;
        out.append(text.substr(copied, match.SpanStart - copied));
        out.append(expand(match.Expression));
        copied = i = match.SpanStart + match.SpanLength;
    }
    out.append(text.substr(copied));
    return out;
}

int CodePageOfCharset(int charset) {
    int codePage = CharsetCodePage(charset);
    // The symbol set has no code page of its own: its bytes are taken as they
    // come, in the process code page.
    if (codePage == 0 || !IsSupportedCodePage(codePage))
        codePage = ProcessCodePage();
    return codePage;
}

AnsiString FormatNumeric(const Variant& value, const TfrxFormat& format) {
    const AnsiString& pattern = format.FormatStr;
    AnsiString text;
    if (pattern.find('#') != AnsiString::npos)
        text = FormatFloat(pattern, value.ToDouble());
    else if (pattern.find_first_of("du") != AnsiString::npos)
        text = Format(pattern, {value.ToInt64()});
    else
        text = Format(pattern, {value.ToDouble()});
    const char system = ProcessFormatSettings().DecimalSeparator;
    if (format.DecimalSeparator.size() == 1 && format.DecimalSeparator[0] != system)
        std::replace(text.begin(), text.end(), system, format.DecimalSeparator[0]);
    return text;
}

AnsiString FormatBoolean(const Variant& value, const TfrxFormat& format) {
    const AnsiString& pattern = format.FormatStr;
    const size_t comma = pattern.find(',');
    if (VarEquals(value, Variant(true)))
        return comma == AnsiString::npos ? AnsiString() : pattern.substr(0, comma);
    return comma == AnsiString::npos ? pattern.substr(0, kMaxFormatLength)
                                     : pattern.substr(comma + 1, kMaxFormatLength);
}

} // namespace

// ---------------------------------------------------------------- bracket scan

template <typename Char>
BracketMatch<Char> ScanBrackets(std::basic_string_view<Char> text,
                                std::basic_string_view<Char> open,
                                std::basic_string_view<Char> close, size_t start) {
    BracketMatch<Char> match;
    if (open.empty() || !StartsAt(text, start, open))
        return match;
    const size_t n = text.size();
    size_t depth = 0;
    bool inDouble = false, inSingle = false;
    size_t j = start;
    bool balanced = false;
    for (;; ++j) {
        if (!inDouble && !inSingle) {
            if (StartsAt(text, j, open))
                ++depth;
            else if (!close.empty() && StartsAt(text, j, close))
                --depth;
        }
        const Char c = text[j];
        if (c == '"' && !inSingle)
            inDouble = !inDouble;
        else if (c == '\'' && !inDouble)
            inSingle = !inSingle;
        if (depth == 0) {
            balanced = true;
            break;
        }
        if (j + 1 >= n)
            break;
    }
    const size_t exprStart = start + open.size();
    match.Found = true;
    match.SpanStart = start;
    if (balanced) {
        // j is where the closing delimiter starts; with overlapping delimiters
        // ("<%>" for "<%" and "%>") it can start inside the opening one.
        match.Expression =
            j > exprStart ? text.substr(exprStart, j - exprStart) : std::basic_string_view<Char>();
        match.SpanLength = std::min(n, j + close.size()) - start;
    } else {
        match.Expression = text.substr(exprStart);
        match.SpanLength = n - start;
    }
    return match;
}

template BracketMatch<char> ScanBrackets(std::string_view, std::string_view, std::string_view,
                                         size_t);
template BracketMatch<char16_t> ScanBrackets(std::u16string_view, std::u16string_view,
                                             std::u16string_view, size_t);

// ---------------------------------------------------------------- delimiters

ExpressionDelimiterPair SplitExpressionDelimiters(std::string_view delimiters) {
    const size_t comma = delimiters.find(',');
    if (comma == std::string_view::npos)
        return {AnsiString(), AnsiString(delimiters.substr(0, kMaxFormatLength))};
    return {AnsiString(delimiters.substr(0, comma)),
            AnsiString(delimiters.substr(comma + 1, kMaxFormatLength))};
}

// ---------------------------------------------------------------- formats

InlineFormat ParseInlineFormat(std::u16string_view expression) {
    const size_t mark = expression.find(u" #");
    if (mark == std::u16string_view::npos)
        return {WideString(expression), std::nullopt};
    std::u16string_view rest = expression.substr(mark + 2);
    if (rest.find(u')') != std::u16string_view::npos)
        return {WideString(expression), std::nullopt};

    TfrxFormat format;
    const char16_t kind = rest.empty() ? u'\0' : rest[0];
    switch (kind) {
    case u'B':
    case u'b':
        format.Kind = TfrxFormatKind::fkBoolean;
        break;
    case u'D':
    case u'd':
    case u'T':
    case u't':
        format.Kind = TfrxFormatKind::fkDateTime;
        break;
    case u'N':
    case u'n':
        format.Kind = TfrxFormatKind::fkNumeric;
        break;
    default:
        format.Kind = TfrxFormatKind::fkText;
        break;
    }
    WideString pattern(rest.empty() ? std::u16string_view() : rest.substr(1, kMaxFormatLength));
    if (format.Kind == TfrxFormatKind::fkNumeric) {
        char16_t separator = 0;
        for (char16_t& c : pattern)
            if (c == u',' || c == u'-' || c == u'.') {
                separator = c;
                c = u'.';
            }
        if (separator != 0)
            format.DecimalSeparator = AnsiString(1, static_cast<char>(separator));
    }
    format.FormatStr = WideToAnsi(pattern);
    return {WideString(expression.substr(0, mark)), std::move(format)};
}

WideString ValueToMemoText(const Variant& value, int charset) {
    if (charset == kDefaultCharset)
        return VarToWideStr(value);
    // Wide text already holds its characters; taking them down to 8 bits
    // would only lose the ones the code page lacks.
    if (value.Type() == VarType::UString)
        return value.WideValue();
    return AnsiToWide(VarToStr(value), CodePageOfCharset(charset));
}

WideString FormatMemoValue(const Variant& value, const TfrxFormat& format, int charset) {
    if (value.IsNull())
        return WideString();
    try {
        switch (format.Kind) {
        case TfrxFormatKind::fkText:
            break;
        case TfrxFormatKind::fkNumeric:
            return AnsiToWide(FormatNumeric(value, format));
        case TfrxFormatKind::fkDateTime:
            return AnsiToWide(FormatDateTime(format.FormatStr, value.ToDate()));
        case TfrxFormatKind::fkBoolean:
            return AnsiToWide(FormatBoolean(value, format));
        }
    } catch (const Exception&) {
        // A value that does not convert or a format that does not fit it:
        // the plain text below.
    }
    return ValueToMemoText(value, charset);
}

// ---------------------------------------------------------------- expansion

MemoTextOptions MemoTextOptions::Of(const TfrxCustomMemoView& memo) {
    MemoTextOptions options;
    options.ExpressionDelimiters = memo.ExpressionDelimiters;
    options.DisplayFormat.Assign(memo.DisplayFormat);
    options.HideZeros = memo.HideZeros;
    options.Charset = memo.Font().Charset();
    return options;
}

WideString ExpandExpression(std::u16string_view expression, const MemoTextOptions& options,
                            const ExpressionEvaluator& evaluate, Variant& value) {
    InlineFormat parsed = ParseInlineFormat(expression);
    if (SameAsciiText(parsed.Expression, "TOTALPAGES#"))
        value = Variant("[TotalPages#]");
    else if (SameAsciiText(parsed.Expression, "COPYNAME#"))
        value = Variant("[CopyName#]");
    else
        value = evaluate(WideToAnsi(parsed.Expression));
    if (options.HideZeros && !value.IsString() && VarEquals(value, Variant(0)))
        return WideString();
    return FormatMemoValue(value, parsed.Format ? *parsed.Format : options.DisplayFormat,
                           options.Charset);
}

MemoTextExpansion ExpandMemoText(std::u16string_view text, const MemoTextOptions& options,
                                 const ExpressionEvaluator& evaluate) {
    const ExpressionDelimiterPair delimiters =
        SplitExpressionDelimiters(options.ExpressionDelimiters);
    const WideString open = AnsiToWide(delimiters.Open);
    const WideString close = AnsiToWide(delimiters.Close);
    MemoTextExpansion result;
    result.Text = ExpandBrackets<char16_t>(text, open, close, [&](std::u16string_view expression) {
        Variant value;
        WideString expanded = ExpandExpression(expression, options, evaluate, value);
        result.Value = std::move(value);
        return expanded;
    });
    return result;
}

void ExpandMemoExpressions(TfrxCustomMemoView& memo, const ExpressionEvaluator& evaluate) {
    MemoTextExpansion expansion = ExpandMemoText(memo.Text(), MemoTextOptions::Of(memo), evaluate);
    memo.SetText(expansion.Text);
    if (expansion.Value)
        memo.Value = std::move(*expansion.Value);
}

AnsiString ExpandTagText(std::string_view text, const ExpressionEvaluator& evaluate) {
    return ExpandBrackets<char>(text, "[", "]", [&](std::string_view expression) {
        return VarToStr(evaluate(AnsiString(expression)));
    });
}

void ExpandViewTags(TfrxView& view, const ExpressionEvaluator& evaluate) {
    if (view.TagStr.find('[') != AnsiString::npos)
        view.TagStr = ExpandTagText(view.TagStr, evaluate);
    if (view.URL.find('[') != AnsiString::npos)
        view.URL = ExpandTagText(view.URL, evaluate);
}

// ---------------------------------------------------------------- run-time state

WideString RepeatedTextSuppressor::Apply(const WideString& text) {
    if (last_ && *last_ == text)
        return WideString();
    last_ = text;
    return text;
}

WideString ResolveDrawingPlaceholders(std::u16string_view text, int totalPages,
                                      std::u16string_view copyName) {
    WideString out(text);
    static constexpr std::string_view kTotalPages = "[TOTALPAGES#]";
    static constexpr std::string_view kCopyName = "[COPYNAME#]";
    if (size_t at = FindAsciiText(out, kTotalPages); at != WideString::npos) {
        const std::string number = std::to_string(totalPages);
        out.replace(at, kTotalPages.size(), WideString(number.begin(), number.end()));
    }
    if (size_t at = FindAsciiText(out, kCopyName); at != WideString::npos)
        out.replace(at, kCopyName.size(), copyName);
    return out;
}

void ResolveMemoPlaceholders(TfrxCustomMemoView& memo) {
    if (!memo.AllowExpressions)
        return;
    WideString copyName;
    const TfrxVariables& globals = frxGlobalVariables();
    if (int i = globals.IndexOf("CopyName"); i >= 0)
        copyName = AnsiToWide(VarToStr(globals.Items(i).Value) + std::to_string(memo.CopyNo));
    const WideString text = memo.Text();
    WideString resolved = ResolveDrawingPlaceholders(text, memo.TotalPages, copyName);
    if (resolved != text)
        memo.SetText(resolved);
}

} // namespace kanvo
