#include "report/engine/aggregates.h"

#include "platform/code_page.h"
#include "platform/format_settings.h"
#include "report/engine/expressions.h"
#include "report/engine/memo_text.h"
#include "script/variant_ops.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace kanvo {

namespace {

// How deep report variables may hold further variables before the scan stops
// looking into them: as deep as Calc evaluates them.
constexpr int kMaxVariableDepth = TfrxReportExpressions::kMaxCalcDepth;
// A child chain longer than this is not a band layout but a fault.
constexpr int kMaxChainLength = 10000;

bool IsIdentStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u >= 0x80;
}

bool IsIdentChar(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsQuote(char c) {
    return c == '\'' || c == '"';
}

// The index after the literal that opens at `at`; the text's end when it
// never closes.
size_t SkipQuoted(std::string_view text, size_t at) {
    const size_t close = text.find(text[at], at + 1);
    return close == std::string_view::npos ? text.size() : close + 1;
}

// The ")" that closes the "(" at `at`, outside literals; npos when the
// parentheses never balance.
size_t MatchingParen(std::string_view text, size_t at) {
    int depth = 0;
    for (size_t i = at; i < text.size();) {
        const char c = text[i];
        if (IsQuote(c)) {
            i = SkipQuoted(text, i);
            continue;
        }
        if (c == '(')
            ++depth;
        else if (c == ')' && --depth == 0)
            return i;
        ++i;
    }
    return std::string_view::npos;
}

// The ">" after the "<" at `at`, outside literals, or npos.
size_t ClosingAngle(std::string_view text, size_t at) {
    for (size_t i = at + 1; i < text.size();) {
        if (IsQuote(text[i])) {
            i = SkipQuoted(text, i);
            continue;
        }
        if (text[i] == '>')
            return i;
        ++i;
    }
    return std::string_view::npos;
}

// The arguments of a call, split at the commas outside literals and
// parentheses, each trimmed. An empty argument list is one empty argument.
std::vector<AnsiString> SplitArguments(std::string_view inner) {
    std::vector<AnsiString> args;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < inner.size();) {
        const char c = inner[i];
        if (IsQuote(c)) {
            i = SkipQuoted(inner, i);
            continue;
        }
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (c == ',' && depth == 0) {
            args.emplace_back(TrimBlanks(inner.substr(start, i - start)));
            start = i + 1;
        }
        ++i;
    }
    args.emplace_back(TrimBlanks(inner.substr(std::min(start, inner.size()))));
    return args;
}

std::optional<TfrxAggregateFunction> AggregateNamed(std::string_view name) {
    if (SameTextAscii(name, "SUM"))
        return TfrxAggregateFunction::agSum;
    if (SameTextAscii(name, "AVG"))
        return TfrxAggregateFunction::agAvg;
    if (SameTextAscii(name, "MIN"))
        return TfrxAggregateFunction::agMin;
    if (SameTextAscii(name, "MAX"))
        return TfrxAggregateFunction::agMax;
    if (SameTextAscii(name, "COUNT"))
        return TfrxAggregateFunction::agCount;
    return std::nullopt;
}

TfrxBand* NearestBand(TfrxComponent& object) {
    for (TfrxComponent* c = object.Parent(); c; c = c->Parent())
        if (auto* band = dynamic_cast<TfrxBand*>(c))
            return band;
    return nullptr;
}

} // namespace

TfrxAggregateFunction AggregateFunctionOf(std::string_view name) {
    auto function = AggregateNamed(TrimBlanks(name));
    return function ? *function : TfrxAggregateFunction::agCount;
}

// ---------------------------------------------------------------- item

Variant TfrxAggregateItem::Result(int column) const {
    const TfrxAggregateTotal* total = nullptr;
    if (column == 0)
        total = &Total;
    else if (column > 0 && column <= TfrxAggregateList::kMaxColumn && !Columns.empty())
        total = &Columns[static_cast<size_t>(column)];
    else
        return Variant(0);
    Variant value;
    switch (Function) {
    case TfrxAggregateFunction::agAvg:
        value = total->Count > 0 && !total->Value.IsNull()
                    ? VarBinary(ScriptOp::Divide, total->Value, Variant(total->Count))
                    : Variant::Null();
        break;
    case TfrxAggregateFunction::agCount:
        value = Variant(total->Count);
        break;
    default:
        value = total->Value;
        break;
    }
    return value.IsNull() ? Variant(0) : value;
}

namespace {

// Folds a non-Null value into a current value by the function.
void Fold(TfrxAggregateFunction function, Variant& current, const Variant& value) {
    if (current.IsNull()) {
        current = value;
        return;
    }
    switch (function) {
    case TfrxAggregateFunction::agSum:
    case TfrxAggregateFunction::agAvg:
        current = VarBinary(ScriptOp::Add, current, value);
        break;
    case TfrxAggregateFunction::agMin:
        if (VarCompare(value, current) < 0)
            current = value;
        break;
    case TfrxAggregateFunction::agMax:
        if (VarCompare(value, current) > 0)
            current = value;
        break;
    case TfrxAggregateFunction::agCount:
        break;
    }
}

} // namespace

void TfrxAggregateItem::AddRow(TfrxAggregateTotal& total, const Variant& value) const {
    if (Function != TfrxAggregateFunction::agAvg || !value.IsNull())
        ++total.Count;
    if (!value.IsNull() && Function != TfrxAggregateFunction::agCount)
        Fold(Function, total.Value, value);
}

void TfrxAggregateItem::Merge(TfrxAggregateTotal& total, const TfrxAggregateTotal& other) const {
    total.Count += other.Count;
    if (!other.Value.IsNull() && Function != TfrxAggregateFunction::agCount)
        Fold(Function, total.Value, other.Value);
}

void TfrxAggregateItem::ResetValues() {
    Total = {};
    Previous = {};
    HasLastRow = false;
    if (!Columns.empty())
        Columns.clear();
}

// ---------------------------------------------------------------- registration

struct TfrxAggregateList::ScanContext {
    AnsiString MemoName;
    TfrxBand* ParentBand = nullptr;
    TfrxBand* DefaultBand = nullptr;
    // Upper-case names of the variables already looked into for this
    // expression: each is looked into once, so a variable that holds itself
    // (or a cycle of them) ends the walk.
    std::unordered_set<AnsiString> Expanded;
    int Depth = 0;
};

TfrxAggregateList::TfrxAggregateList(TfrxReport& report) : report_(report) {}

void TfrxAggregateList::Clear() {
    items_.clear();
    keeping_ = false;
}

void TfrxAggregateList::AddPage(const TfrxAggregatePageBands& bands) {
    for (const TfrxAggregateBandNode& master : bands.Masters)
        AddNode(master);
    if (bands.Masters.empty())
        return;
    TfrxBand* first = bands.Masters.front().Band;
    if (bands.PageFooter)
        AddBand(*bands.PageFooter, first);
    if (bands.ColumnFooter)
        AddBand(*bands.ColumnFooter, first);
    AddChain(bands.ReportSummary, first);
}

void TfrxAggregateList::AddNode(const TfrxAggregateBandNode& node) {
    AddChain(node.Footer, node.Band);
    for (TfrxBand* footer : node.GroupFooters)
        AddChain(footer, node.Band);
    if (node.Band && node.Band->Vertical)
        AddBand(*node.Band, node.Band);
    for (const TfrxAggregateBandNode& detail : node.Details)
        AddNode(detail);
}

void TfrxAggregateList::AddChain(TfrxBand* band, TfrxBand* defaultBand) {
    std::unordered_set<TfrxBand*> seen;
    for (int n = 0; band && n < kMaxChainLength && seen.insert(band).second; ++n) {
        AddBand(*band, defaultBand);
        band = band->Child();
    }
}

void TfrxAggregateList::AddBand(TfrxBand& band, TfrxBand* defaultBand) {
    const std::vector<TfrxComponent*> objects = band.AllObjects();
    for (TfrxComponent* object : objects)
        if (auto* memo = dynamic_cast<TfrxCustomMemoView*>(object))
            AddMemo(*memo, defaultBand);
}

void TfrxAggregateList::AddMemo(TfrxCustomMemoView& memo, TfrxBand* defaultBand) {
    if (!memo.AllowExpressions)
        return;
    const ExpressionDelimiterPair delimiters = SplitExpressionDelimiters(memo.ExpressionDelimiters);
    if (delimiters.Open.empty())
        return;
    TfrxBand* parent = ParentBandOf ? ParentBandOf(memo) : NearestBand(memo);
    if (!parent)
        return;
    const WideString open = AnsiToWide(delimiters.Open);
    const WideString close = AnsiToWide(delimiters.Close);
    const WideString text = memo.Text();
    const std::u16string_view view(text);
    size_t i = 0;
    while (i < view.size()) {
        const size_t next = view.find(open, i);
        if (next == std::u16string_view::npos)
            break;
        BracketMatch<char16_t> match = ScanBrackets<char16_t>(view, open, close, next);
        if (!match.Found) {
            i = next + 1;
            continue;
        }
        const InlineFormat parsed = ParseInlineFormat(match.Expression);
        AddExpression(WideToAnsi(parsed.Expression), memo.Name(), parent, defaultBand);
        i = std::max(match.SpanStart + match.SpanLength, next + 1);
    }
}

void TfrxAggregateList::AddExpression(std::string_view expression, const AnsiString& memoName,
                                      TfrxBand* parentBand, TfrxBand* defaultBand) {
    ScanContext context;
    context.MemoName = memoName;
    context.ParentBand = parentBand;
    context.DefaultBand = defaultBand;
    Scan(expression, context);
}

// One left-to-right walk: literals are skipped, aggregate calls registered
// (their arguments are the row expression, not looked into further), and
// report variables, bare or in angle brackets, looked into in their place.
// Everything else, parentheses and angle brackets included, is walked
// through, so nested parts are found without recursion.
void TfrxAggregateList::Scan(std::string_view text, ScanContext& context) {
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (IsQuote(c)) {
            i = SkipQuoted(text, i);
            continue;
        }
        if (c == '<') {
            const size_t close = ClosingAngle(text, i);
            if (close != std::string_view::npos) {
                const std::string_view inside = TrimBlanks(text.substr(i + 1, close - i - 1));
                if (!inside.empty() && report_.Variables.IndexOf(inside) >= 0) {
                    ExpandVariable(inside, context);
                    i = close + 1;
                    continue;
                }
            }
            ++i;
            continue;
        }
        if (c >= '0' && c <= '9') {
            while (i < n && IsIdentChar(text[i]))
                ++i;
            continue;
        }
        if (!IsIdentStart(c)) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < n && IsIdentChar(text[i]))
            ++i;
        const std::string_view name = text.substr(start, i - start);
        // A member (Report.Name) is no variable and no aggregate.
        size_t before = start;
        while (before > 0 && static_cast<unsigned char>(text[before - 1]) <= ' ')
            --before;
        if (before > 0 && text[before - 1] == '.')
            continue;
        if (auto function = AggregateNamed(name)) {
            size_t paren = i;
            while (paren < n && static_cast<unsigned char>(text[paren]) <= ' ')
                ++paren;
            if (paren < n && text[paren] == '(') {
                const size_t close = MatchingParen(text, paren);
                if (close != std::string_view::npos) {
                    AddCall(*function, TrimBlanks(text.substr(start, close + 1 - start)),
                            SplitArguments(text.substr(paren + 1, close - paren - 1)), context);
                    i = close + 1;
                    continue;
                }
            }
        }
        if (report_.Variables.IndexOf(name) >= 0)
            ExpandVariable(name, context);
    }
}

void TfrxAggregateList::ExpandVariable(std::string_view name, ScanContext& context) {
    if (context.Depth >= kMaxVariableDepth)
        return;
    if (!context.Expanded.insert(AnsiUpperCase(name)).second)
        return;
    const AnsiString value = VarToStr(report_.Variables.Get(name));
    ++context.Depth;
    Scan(value, context);
    --context.Depth;
}

void TfrxAggregateList::AddCall(TfrxAggregateFunction function, std::string_view callText,
                                const std::vector<AnsiString>& args, const ScanContext& context) {
    const bool count = function == TfrxAggregateFunction::agCount;
    const size_t first = count ? 0 : 1;
    auto arg = [&](size_t index) { return index < args.size() ? args[index] : AnsiString(); };
    const AnsiString bandName = arg(first);
    const AnsiString flagsText = arg(first + 1);

    int64_t flags = 0;
    if (!flagsText.empty()) {
        std::optional<int64_t> parsed = TryStrToInt64(flagsText);
        if (!parsed)
            throw EConvertError("'" + flagsText + "' is not a valid integer value");
        flags = *parsed;
    }

    TfrxBand* dataBand = context.DefaultBand;
    if (!bandName.empty())
        if (auto* named = dynamic_cast<TfrxBand*>(report_.FindObject(bandName)))
            dataBand = named;

    auto item = std::make_unique<TfrxAggregateItem>();
    item->Function = function;
    item->Expression = count ? AnsiString() : arg(0);
    item->DataBand = dataBand;
    item->ParentBand = context.ParentBand;
    item->IsPageFooter = dynamic_cast<TfrxPageFooter*>(context.ParentBand) != nullptr;
    item->CountInvisible = (flags & kAggregateCountInvisible) != 0;
    item->RunningTotal = (flags & kAggregateRunningTotal) != 0;
    item->FullText = AnsiString(callText);
    item->MemoName = context.MemoName;
    items_.push_back(std::move(item));
}

// ---------------------------------------------------------------- the run

Variant TfrxAggregateList::RowValue(const TfrxAggregateItem& item) {
    if (item.Function == TfrxAggregateFunction::agCount || !Calc)
        return Variant::Null();
    struct NameGuard {
        AnsiString& name;
        AnsiString saved;
        ~NameGuard() { name = std::move(saved); }
    } guard{report_.CurrentObjectName, report_.CurrentObjectName};
    report_.CurrentObjectName = item.MemoName;
    Variant value = Calc(item.Expression);
    if (value.Type() == VarType::Boolean)
        return Variant(value.ToBool() ? 1 : 0);
    return value;
}

void TfrxAggregateList::AccumulateRow(TfrxBand* dataBand, int column) {
    if (!dataBand || column < 0 || column > kMaxColumn)
        return;
    const bool visible = dataBand->Visible();
    for (auto& owned : items_) {
        TfrxAggregateItem& item = *owned;
        if (item.DataBand != dataBand)
            continue;
        if (!visible && !item.CountInvisible) {
            if (column == 0)
                item.HasLastRow = false; // nothing to take back for this row
            continue;
        }
        const Variant value = RowValue(item);
        if (column > 0) {
            if (item.Columns.empty())
                item.Columns.resize(static_cast<size_t>(kMaxColumn) + 1);
            item.AddRow(item.Columns[static_cast<size_t>(column)], value);
        } else if (item.IsPageFooter && keeping_) {
            item.AddRow(item.Temporary, value);
            item.HasLastRow = false; // the row moves with the kept block
        } else {
            item.Previous = item.Total;
            item.LastRowValue = value;
            item.HasLastRow = true;
            item.Dropped = false;
            item.AddRow(item.Total, value);
        }
    }
}

void TfrxAggregateList::Reset(TfrxBand* parentBand) {
    if (!parentBand)
        return;
    for (auto& item : items_)
        if (item->ParentBand == parentBand && !item->RunningTotal)
            item->ResetValues();
}

void TfrxAggregateList::ClearValues() {
    for (auto& item : items_) {
        item->ResetValues();
        item->Temporary = {};
        item->LastRowValue = Variant();
        item->Dropped = false;
    }
    keeping_ = false;
}

void TfrxAggregateList::StartKeep() {
    if (keeping_)
        return;
    keeping_ = true;
    for (auto& item : items_)
        item->Temporary = {};
}

void TfrxAggregateList::EndKeep() {
    if (!keeping_)
        return;
    for (auto& item : items_) {
        if (item->IsPageFooter)
            item->Merge(item->Total, item->Temporary);
        item->Temporary = {};
    }
    keeping_ = false;
}

void TfrxAggregateList::KeepBlockMoved() {
    // The old page's footer is printed and reset by now, so joining the
    // block's rows starts the new page's totals with them (and a running
    // total goes on growing).
    EndKeep();
}

void TfrxAggregateList::DropLastValue(TfrxBand* dataBand) {
    for (auto& item : items_) {
        if (item->DataBand != dataBand || !item->HasLastRow)
            continue;
        item->Total = item->Previous;
        item->HasLastRow = false;
        item->Dropped = true;
    }
}

void TfrxAggregateList::RestoreLastValue(TfrxBand* dataBand) {
    for (auto& item : items_) {
        if (item->DataBand != dataBand || !item->Dropped)
            continue;
        item->Previous = item->Total;
        item->AddRow(item->Total, item->LastRowValue);
        item->HasLastRow = true;
        item->Dropped = false;
    }
}

const TfrxAggregateItem* TfrxAggregateList::Find(TfrxBand* currentBand, const AnsiString& name,
                                                 const AnsiString& expression, TfrxBand* band,
                                                 int flags) const {
    const TfrxAggregateFunction function = AggregateFunctionOf(name);
    const std::string_view wanted = TrimBlanks(expression);
    const bool countInvisible = (flags & kAggregateCountInvisible) != 0;
    const bool runningTotal = (flags & kAggregateRunningTotal) != 0;
    for (const auto& item : items_) {
        if (item->ParentBand != currentBand || item->Function != function)
            continue;
        if (band && item->DataBand != band)
            continue;
        if (item->CountInvisible != countInvisible || item->RunningTotal != runningTotal)
            continue;
        const std::string_view own = TrimBlanks(item->Expression);
        if (own.size() == wanted.size() && AnsiSameText(own, wanted))
            return item.get();
    }
    return nullptr;
}

Variant TfrxAggregateList::AggregateValue(TfrxBand* currentBand, int column, const AnsiString& name,
                                          const AnsiString& expression, TfrxBand* band,
                                          int flags) const {
    const TfrxAggregateItem* item = Find(currentBand, name, expression, band, flags);
    return item ? item->Result(column) : Variant::Null();
}

} // namespace kanvo
