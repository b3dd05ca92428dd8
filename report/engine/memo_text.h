// Memo text expansion: the expressions embedded in a memo's text (and in a
// view's TagStr and URL) replaced by their formatted values, the display
// formats, the suppression of repeated texts and the placeholders that are
// resolved only when a prepared page is drawn.
//
// Nothing here evaluates an expression itself: the caller passes an
// ExpressionEvaluator, which in a report run is the report's Calc. The
// evaluator's exceptions pass through unchanged (a failing expression ends the
// run); the texts being expanded are never modified in place.
//
// Positions are 0-based indexes of code units (UTF-16 units in wide text,
// bytes in 8-bit text).
#pragma once

#include "platform/text_types.h"
#include "platform/variant.h"
#include "report/model/views.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace kanvo {

// Evaluates one expression, given as 8-bit text in the process code page.
using ExpressionEvaluator = std::function<Variant(const AnsiString& expression)>;

// ---------------------------------------------------------------- bracket scan

// One expression found by ScanBrackets.
template <typename Char>
struct BracketMatch {
    bool Found = false;
    // The text between the opening and the closing delimiter (a view into the
    // scanned text); for an unbalanced text everything after the opening one.
    std::basic_string_view<Char> Expression;
    // The replaced span: from the opening delimiter through the closing one,
    // or to the end of the text when the brackets never balance.
    size_t SpanStart = 0;
    size_t SpanLength = 0;
};

// Reads the bracketed expression that starts at `start`. Nothing is found
// unless `open` starts exactly there. Delimiters nest (the expression of
// "[a + [b]]" is "a + [b]") and count only outside '...' and "..." literals;
// a double quote inside single quotes and a single quote inside double quotes
// are plain characters. An empty closing delimiter never closes.
template <typename Char>
BracketMatch<Char> ScanBrackets(std::basic_string_view<Char> text,
                                std::basic_string_view<Char> open,
                                std::basic_string_view<Char> close, size_t start);

extern template BracketMatch<char> ScanBrackets(std::string_view, std::string_view,
                                                std::string_view, size_t);
extern template BracketMatch<char16_t> ScanBrackets(std::u16string_view, std::u16string_view,
                                                    std::u16string_view, size_t);

// ---------------------------------------------------------------- delimiters

struct ExpressionDelimiterPair {
    AnsiString Open;
    AnsiString Close;
};

// Splits a memo's ExpressionDelimiters ("[,]", "<%,%>") at the first ",";
// the closing part keeps at most 255 characters. Without a "," the opening
// delimiter is empty, and a memo with an empty one expands nothing.
ExpressionDelimiterPair SplitExpressionDelimiters(std::string_view delimiters);

// ---------------------------------------------------------------- formats

// An expression with the format written after " #" inside its brackets.
struct InlineFormat {
    WideString Expression;
    std::optional<TfrxFormat> Format; // none: the memo's DisplayFormat applies
};

// "Price #n%2,2f" → "Price" with a numeric "%2.2f" and decimal separator ",".
// The first character after " #" is the kind (B/b boolean, D/d/T/t date-time,
// N/n numeric, anything else text), the rest the format string (at most 255
// characters). A numeric format string has every ",", "-" and "." turned into
// "." and the last of them becomes the decimal separator. A format part that
// holds ")" is no format: the whole text stays the expression.
InlineFormat ParseInlineFormat(std::u16string_view expression);

// The text of a value in a memo whose font has the character set `charset`:
// with the default set (1) the value's own text; with another set the value's
// 8-bit text read through that set's code page (a value that already is wide
// text keeps its characters). Null gives "".
WideString ValueToMemoText(const Variant& value, int charset);

// A value formatted for a memo: Null → ""; fkText → ValueToMemoText;
// fkNumeric → picture mask (FormatStr holds "#"), integer printf format
// (holds "d" or "u"), float printf format otherwise, then the process decimal
// separator replaced by the format's one-character DecimalSeparator;
// fkDateTime → date-time pattern; fkBoolean → the part of FormatStr before the
// first "," for True, the part after it (at most 255 characters) otherwise.
// A value or format that does not convert falls back to ValueToMemoText.
WideString FormatMemoValue(const Variant& value, const TfrxFormat& format, int charset);

// ---------------------------------------------------------------- expansion

// What the expansion takes from the memo.
struct MemoTextOptions {
    AnsiString ExpressionDelimiters = "[,]";
    TfrxFormat DisplayFormat;
    bool HideZeros = false;
    int Charset = 1; // the memo font's character set

    static MemoTextOptions Of(const TfrxCustomMemoView& memo);
};

// The expansion of one bracketed expression: the inline format is split off,
// "TOTALPAGES#" and "COPYNAME#" (letter case ignored) give the placeholders
// "[TotalPages#]" and "[CopyName#]", anything else is evaluated. `value`
// receives the expression's value. With HideZeros a value that is not a text
// and equals 0 gives "".
WideString ExpandExpression(std::u16string_view expression, const MemoTextOptions& options,
                            const ExpressionEvaluator& evaluate, Variant& value);

struct MemoTextExpansion {
    WideString Text;
    // The value of the last expression expanded; none when there was none.
    std::optional<Variant> Value;
};

// Replaces every bracketed expression of a memo text by its expansion, left
// to right. Inserted text is never scanned again. An opening delimiter that
// never balances makes the rest of the text one expression.
MemoTextExpansion ExpandMemoText(std::u16string_view text, const MemoTextOptions& options,
                                 const ExpressionEvaluator& evaluate);

// ExpandMemoText on the memo's own lines: the result becomes its lines (split
// at line breaks) and the last value its Value. Whether the memo expands at
// all (AllowExpressions, bound to a field) is the caller's decision.
void ExpandMemoExpressions(TfrxCustomMemoView& memo, const ExpressionEvaluator& evaluate);

// TagStr and URL: every "[...]" replaced by the text of its value. Text
// without "[" comes back unchanged and nothing is evaluated.
AnsiString ExpandTagText(std::string_view text, const ExpressionEvaluator& evaluate);

// Both of a view's TagStr and URL.
void ExpandViewTags(TfrxView& view, const ExpressionEvaluator& evaluate);

// ---------------------------------------------------------------- run-time state

// SuppressRepeated: a text equal to the one printed last time is printed empty.
class RepeatedTextSuppressor {
public:
    // The text to print: `text` when it differs from the last printed one
    // (it then becomes the last printed one), otherwise "".
    WideString Apply(const WideString& text);
    // Forgets the last text (Null): the next text always shows.
    void Reset() { last_.reset(); }
    // Sets the last printed text to "": only an empty text is suppressed next.
    void ResetToEmpty() { last_ = WideString(); }
    const std::optional<WideString>& LastPrinted() const { return last_; }

private:
    std::optional<WideString> last_; // none: Null
};

// The drawing-time placeholders: the first "[TOTALPAGES#]" becomes
// `totalPages` and the first "[COPYNAME#]" becomes `copyName` (letter case
// ignored; later occurrences stay).
WideString ResolveDrawingPlaceholders(std::u16string_view text, int totalPages,
                                      std::u16string_view copyName);
// The same on a memo that allows expressions, with its TotalPages and the
// global variable "CopyName" followed by its CopyNo.
void ResolveMemoPlaceholders(TfrxCustomMemoView& memo);

} // namespace kanvo
