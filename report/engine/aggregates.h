// The aggregate functions of a report run: SUM, AVG, MIN, MAX and COUNT.
//
// At run start the engine registers the aggregate calls that the memos of a
// report page use (AddPage). Each call becomes one TfrxAggregateItem that
// knows the data band whose rows feed it and the band whose memo prints it.
// During the run the engine tells the list about every data band row
// (AccumulateRow), resets the items of every band it has shown (Reset), and
// asks for values through the expressions' Aggregate hook (AggregateValue):
//
//     expressions.Aggregate = [&](const AnsiString& name, const AnsiString& expr,
//                                 TfrxBand* band, int flags) {
//         return aggregates.AggregateValue(currentBand, column, name, expr, band, flags);
//     };
//
// The list evaluates nothing itself: the row values come from the Calc
// callback, which in a run is the report's Calc.
#pragma once

#include "platform/variant.h"
#include "report/model/bands.h"
#include "report/model/report.h"
#include "report/model/views.h"

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace kanvo {

enum class TfrxAggregateFunction { agSum = 0, agAvg = 1, agMin = 2, agMax = 3, agCount = 4 };

// The Flags argument of an aggregate call, as bits.
constexpr int kAggregateCountInvisible = 1; // rows of an invisible data band count too
constexpr int kAggregateRunningTotal = 2;   // the value is not reset after its band

// SUM, AVG, MIN and MAX by name (letter case ignored); anything else is COUNT.
TfrxAggregateFunction AggregateFunctionOf(std::string_view name);

// One data band of the band tree the engine builds for a page, with the bands
// whose memos take their default band from it.
struct TfrxAggregateBandNode {
    TfrxBand* Band = nullptr;            // the data band
    TfrxBand* Footer = nullptr;          // its data footer (scanned with its child chain)
    std::vector<TfrxBand*> GroupFooters; // the footers of its groups (with their child chains)
    std::vector<TfrxAggregateBandNode> Details;
};

// What AddPage scans on one report page.
struct TfrxAggregatePageBands {
    // The master data bands, horizontal ones first, then vertical ones. A
    // vertical data band's own memos are scanned too.
    std::vector<TfrxAggregateBandNode> Masters;
    // Scanned with the first master as default band, and only when there is
    // a master.
    TfrxBand* PageFooter = nullptr;
    TfrxBand* ColumnFooter = nullptr;
    TfrxBand* ReportSummary = nullptr;
};

// A value and the number of rows that made it.
struct TfrxAggregateTotal {
    Variant Value = Variant::Null();
    int Count = 0;
};

class TfrxAggregateItem {
public:
    TfrxAggregateFunction Function = TfrxAggregateFunction::agSum;
    AnsiString Expression;          // trimmed; empty for COUNT
    TfrxBand* DataBand = nullptr;   // whose rows feed the item
    TfrxBand* ParentBand = nullptr; // the band of the memo that prints it
    bool IsPageFooter = false;      // ParentBand is a page footer
    bool CountInvisible = false;    // Flags bit 1
    bool RunningTotal = false;      // Flags bit 2
    AnsiString FullText;            // the trimmed call, "SUM(<x>, MasterData1)"
    AnsiString MemoName;

    TfrxAggregateTotal Total;     // the running value
    TfrxAggregateTotal Previous;  // before the last row (DropLastValue)
    TfrxAggregateTotal Temporary; // page-footer rows taken while a block is kept
    Variant LastRowValue;         // the last row's value, to add it again
    bool HasLastRow = false;      // a row was taken since the last reset or drop
    bool Dropped = false;         // DropLastValue took the last row out

    // Per vertical column 1..kMaxColumn (index 0 unused); empty until a
    // column is first fed.
    std::vector<TfrxAggregateTotal> Columns;

    // The value the item shows: AVG value / count, COUNT the count, the
    // others the value; Null becomes 0. Column 0 is the running value; 1 to
    // kMaxColumn a vertical column; any other column shows 0.
    Variant Result(int column = 0) const;
    // Takes one row's value into a total (no undo, no keep mode).
    void AddRow(TfrxAggregateTotal& total, const Variant& value) const;
    // Adds another total (rows collected elsewhere) into a total.
    void Merge(TfrxAggregateTotal& total, const TfrxAggregateTotal& other) const;
    // Count 0, value Null, no undo, no column values. A row that
    // DropLastValue took out stays pending for RestoreLastValue.
    void ResetValues();
};

class TfrxAggregateList {
public:
    // Highest vertical column with its own values.
    static constexpr int kMaxColumn = 1000;

    using Evaluator = std::function<Variant(const AnsiString& expression)>;
    // The band whose aggregates a memo shows; default: the nearest band
    // above the memo. The engine replaces it when vertical-band cells must
    // keep the horizontal band they came from.
    using ParentBandResolver = std::function<TfrxBand*(TfrxCustomMemoView& memo)>;

    explicit TfrxAggregateList(TfrxReport& report);
    TfrxAggregateList(const TfrxAggregateList&) = delete;
    TfrxAggregateList& operator=(const TfrxAggregateList&) = delete;

    // Evaluates a row's expression (the report's Calc). Without it every row
    // value is Null.
    Evaluator Calc;
    ParentBandResolver ParentBandOf;

    // -- registration
    // Forgets every item (a new run).
    void Clear();
    // Registers the aggregate calls of a page's memos. Raises EConvertError
    // for a Flags argument that is not an integer.
    void AddPage(const TfrxAggregatePageBands& bands);
    // The memos of one band (the band itself, not its child chain).
    void AddBand(TfrxBand& band, TfrxBand* defaultBand);
    // One memo: every expression between its delimiters, when it allows
    // expressions.
    void AddMemo(TfrxCustomMemoView& memo, TfrxBand* defaultBand);
    // One expression text, as if it stood in a memo of that name on
    // parentBand.
    void AddExpression(std::string_view expression, const AnsiString& memoName,
                       TfrxBand* parentBand, TfrxBand* defaultBand);

    int Count() const { return static_cast<int>(items_.size()); }
    TfrxAggregateItem& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
    const TfrxAggregateItem& Items(int index) const {
        return *items_.at(static_cast<size_t>(index));
    }

    // -- the run
    // A row of dataBand has been shown: every item fed by it takes the row's
    // value. Column 0 feeds the running values (with undo and keep mode);
    // columns 1..kMaxColumn feed the vertical column values; other columns
    // are ignored. Nothing is taken for an invisible band unless the item
    // counts invisible rows. The Calc errors pass through.
    void AccumulateRow(TfrxBand* dataBand, int column);
    // parentBand has been shown: its items start again, except running
    // totals.
    void Reset(TfrxBand* parentBand);
    // Every item starts again, running totals too; keep mode ends without
    // merging (between the passes of a double-pass run).
    void ClearValues();

    // -- keep mode
    // A block starts being kept together: page-footer items collect their
    // rows apart until the block ends. Ignored while a block is kept.
    void StartKeep();
    // The block ended on the page where it started: the collected rows join
    // the page-footer items.
    void EndKeep();
    // The kept block moved to a new page; call it after the old page's
    // footer has been printed and reset. The new page's totals start with
    // the block's rows, and keep mode ends.
    void KeepBlockMoved();
    bool Keeping() const { return keeping_; }

    // A data footer shown in keep mode moves to a new page with the last row:
    // the items fed by dataBand lose that row for the old page's footers
    // (DropLastValue) and take it again on the new page (RestoreLastValue).
    // Page-footer items collecting a kept block are left alone (their rows
    // move with the block).
    void DropLastValue(TfrxBand* dataBand);
    void RestoreLastValue(TfrxBand* dataBand);

    // -- values
    // The value of the first item printed by currentBand with that function
    // name, expression (trimmed, letter case ignored), data band (any when
    // band is null) and flags; Null when no item matches.
    Variant AggregateValue(TfrxBand* currentBand, int column, const AnsiString& name,
                           const AnsiString& expression, TfrxBand* band, int flags) const;
    // The matching item, or nullptr.
    const TfrxAggregateItem* Find(TfrxBand* currentBand, const AnsiString& name,
                                  const AnsiString& expression, TfrxBand* band, int flags) const;

private:
    struct ScanContext;
    void AddChain(TfrxBand* band, TfrxBand* defaultBand);
    void AddNode(const TfrxAggregateBandNode& node);
    void Scan(std::string_view text, ScanContext& context);
    void AddCall(TfrxAggregateFunction function, std::string_view callText,
                 const std::vector<AnsiString>& args, const ScanContext& context);
    void ExpandVariable(std::string_view name, ScanContext& context);
    Variant RowValue(const TfrxAggregateItem& item);

    TfrxReport& report_;
    std::vector<std::unique_ptr<TfrxAggregateItem>> items_;
    bool keeping_ = false;
};

} // namespace kanvo
