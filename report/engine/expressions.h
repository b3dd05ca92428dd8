// How a report evaluates its expressions: the expression cache, Calc, the
// value lookup of names, the script-visible functions Get, Set, IIF and the
// aggregates, and the preparation of the report script before a run.
//
// TfrxReportExpressions belongs to one TfrxReport and owns the report script
// (the one that runs the report's code and its event handlers) and the
// expression cache. The engine of the run owns the run values (page numbers,
// line counters, start date) and the aggregates; it lends them through
// SetRunValues and the Aggregate hook.
//
// Errors go to the report's error list (TfrxReport::Errors). Calc raises
// EExpressionError once the text is in the list; a Calc that sees that error
// come back from a nested Calc passes it on unchanged, so one fault gives one
// line.
#pragma once

#include "report/model/report.h"
#include "script/script.h"

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace kanvo {

class TfrxBand;

// An expression error whose text is already in the report's error list.
class EExpressionError : public Exception {
public:
    using Exception::Exception;
};

// The values of the run that the system variables show. The engine of the
// run implements it.
class TfrxRunValues {
public:
    virtual ~TfrxRunValues() = default;
    virtual TDateTime StartDate() const = 0;   // "Date"
    virtual TDateTime StartTime() const = 0;   // "Time"
    virtual int LogicalPageNo() const = 0;     // "Page"
    virtual int CurrentPageIndex() const = 0;  // "Page#" is this plus one
    virtual int LogicalTotalPages() const = 0; // "TotalPages"
    virtual int TotalPages() const = 0;        // "TotalPages#"
    virtual int Line() const = 0;              // "Line": row inside the data band
    virtual int LineThrough() const = 0;       // "Line#": row through the whole band
};

// Run values held in plain fields: what a report shows outside a run, and
// what tests set.
struct TfrxFixedRunValues : TfrxRunValues {
    TDateTime Date = 0, Time = 0;
    int PageNo = 0, PageIndex = 0, TotalPagesLogical = 0, TotalPagesCount = 0;
    int LineNo = 0, LineThroughNo = 0;

    TDateTime StartDate() const override { return Date; }
    TDateTime StartTime() const override { return Time; }
    int LogicalPageNo() const override { return PageNo; }
    int CurrentPageIndex() const override { return PageIndex; }
    int LogicalTotalPages() const override { return TotalPagesLogical; }
    int TotalPages() const override { return TotalPagesCount; }
    int Line() const override { return LineNo; }
    int LineThrough() const override { return LineThroughNo; }
};

// Compiled expressions, by expression text without regard to letter case.
// Each new text is compiled once as a wrapper function "fr3f" + N (N the
// number of texts cached before it) into the cache's own script, whose parent
// is the scope given to Evaluate. All wrappers live in that one script: a
// compile parses only the new wrapper and adds its name to a hash table, so
// compiling n expressions costs O(n), and the wrappers compiled earlier stay
// valid. A wrapper binds the names it uses when it is compiled; so the cache
// must be cleared whenever a scope it was compiled against is reset.
class TfrxExpressionCache {
public:
    TfrxExpressionCache() = default;
    TfrxExpressionCache(const TfrxExpressionCache&) = delete;
    TfrxExpressionCache& operator=(const TfrxExpressionCache&) = delete;

    // Forgets every compiled expression.
    void Clear();
    const AnsiString& Language() const { return language_; }
    void SetLanguage(AnsiString language) { language_ = std::move(language); }

    // The value of expr, names looked up in scope (null: the scope of the
    // last call). When the wrapper does not compile the result is Null and
    // error holds "clExprError '<expr>': <message>". Runtime errors of the
    // wrapper propagate.
    Variant Evaluate(const AnsiString& expr, TfsScript* scope, std::optional<AnsiString>& error);

    int Count() const { return static_cast<int>(items_.size()); }
    // The wrapper compiled for expr, "" when it is not cached.
    AnsiString FunctionName(const AnsiString& expr) const;
    // The script that holds the wrappers.
    TfsScript& Script() { return script_; }

    // The wrapper's source text in a language; nothing for an unknown one.
    static std::optional<AnsiString> WrapperSource(const AnsiString& language, int n,
                                                   const AnsiString& expr);

private:
    struct Entry {
        AnsiString name;
        const ScriptRoutine* routine = nullptr;
    };
    // Keyed by the upper-case text: sorted, letter case ignored.
    std::map<AnsiString, Entry> items_;
    TfsScript script_;
    AnsiString language_ = "PascalScript";
};

class TfrxReportExpressions {
public:
    explicit TfrxReportExpressions(TfrxReport& report);
    TfrxReportExpressions(const TfrxReportExpressions&) = delete;
    TfrxReportExpressions& operator=(const TfrxReportExpressions&) = delete;

    TfrxReport& Report() { return report_; }
    TfsScript& Script() { return script_; }
    TfrxExpressionCache& Cache() { return cache_; }

    // The run values the system variables read; null: all zero.
    void SetRunValues(const TfrxRunValues* values) { run_ = values ? values : &noRun_; }

    // Host event: asked for every name the dataset fields and system
    // variables do not resolve; the name counts as resolved when the handler
    // assigned a value (Value arrives Empty).
    std::function<void(const AnsiString& name, Variant& value)> OnGetValue;

    // The engine's aggregate lookup behind SUM, AVG, MIN, MAX and COUNT:
    // function name (upper case), the untrimmed text of Expr (empty for
    // COUNT), the band (null unless the Band argument names one) and the
    // flags. Without it the aggregates give Null.
    using AggregateLookup = std::function<Variant(const AnsiString& name, const AnsiString& expr,
                                                  TfrxBand* band, int flags)>;
    AggregateLookup Aggregate;

    // Resets the report script and fills it for a run: every named object of
    // the report tree, "Report", "Engine" and "Outline" (when given), the
    // variable "Value", the functions Get, Set, IIF, SUM, AVG, MIN, MAX and
    // COUNT; then compiles ScriptText in ScriptLanguage. Clears the
    // expression cache first. False when the script does not compile (the
    // "clScrError" text is in the error list).
    bool PrepareScript(Object* engine = nullptr, Object* outline = nullptr);

    // The value of an expression, names looked up in script (null: the
    // report script). A bad expression puts its text, prefixed with the
    // current object name, into the error list and raises EExpressionError.
    Variant Calc(const AnsiString& expr, TfsScript* script = nullptr);

    // The value a name stands for (dataset field, system variable, host
    // value, report variable, global variable, report-script name); nothing
    // when the name is unknown.
    std::optional<Variant> LookupValue(const AnsiString& name);

    // The script functions.
    Variant Get(const AnsiString& name);
    void Set(const AnsiString& name, const Variant& value);
    Variant IIF(const AnsiString& condition, const AnsiString& whenTrue,
                const AnsiString& whenFalse);

    // How deep Calc may nest (report variables evaluated inside
    // expressions) before it gives up with an error.
    static constexpr int kMaxCalcDepth = 200;

private:
    Variant CallAggregate(const AnsiString& name, std::vector<Variant>& args);
    std::optional<Variant> SystemVariable(const AnsiString& name);
    [[noreturn]] void Fail(const AnsiString& text);

    TfrxReport& report_;
    TfsScript script_;
    TfrxExpressionCache cache_;
    TfrxFixedRunValues noRun_;
    const TfrxRunValues* run_ = &noRun_;
    int depth_ = 0;
    // Upper-case names of the report variables being evaluated right now.
    std::vector<AnsiString> evaluating_;
};

} // namespace kanvo
