// The report run: TfrxEngine lays the template pages out band by band into
// the prepared pages, walking the data bands, groups and their rows;
// TfrxReportRun owns one run's helpers for a report (expressions, engine,
// prepared pages) and performs BuildReport around them.
//
// The engine keeps its run-time links (master/detail tree, headers,
// footers, groups, counters, shift trees) in its own tables keyed by band,
// so the template objects carry nothing of a run but what printing changes
// and restores (bounds, texts).
#pragma once

#include "report/engine/aggregates.h"
#include "report/engine/expressions.h"
#include "report/engine/prepared_pages.h"
#include "report/model/bands.h"
#include "report/model/pages.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace kanvo {

class TfrxDataSet;

// The run-time links of a band (set by BuildBandTree).
struct TfrxBandLinks {
    std::vector<TfrxDataBand*> Details;
    TfrxBand* Header = nullptr;
    TfrxBand* Footer = nullptr;
    std::vector<TfrxGroupHeader*> Groups; // of a data band, outermost first
    int Line = 1;                         // "Line"
    int LineThrough = 1;                  // "Line#"
    Variant LastCondition;                // of a group header
    bool AddedOutline = false;
};

class TfrxEngine : public TfrxRunValues, public ScriptObject {
public:
    TfrxEngine(TfrxReport& report, TfrxPreviewPages& pages, TfrxReportExpressions& expressions);
    ~TfrxEngine() override;
    TfrxEngine(const TfrxEngine&) = delete;
    TfrxEngine& operator=(const TfrxEngine&) = delete;

    TfrxAggregateList& Aggregates() { return aggregates_; }

    // The engine run: band trees, checks, datasets, the passes. True when the
    // report was produced.
    bool Run();

    // -- layout (also script-visible through "Engine")
    void ShowBand(TfrxBand* band);
    void NewPage();
    void NewColumn();
    double FreeSpace() const;
    void StopReport();

    // -- run state
    double CurX = 0, CurY = 0;
    int CurColumn = 1;
    double PageWidth = 0, PageHeight = 0;
    bool FinalPass() const { return state_.FinalPass; }
    bool DoublePass() const { return state_.DoublePass; }
    int TotalPagesCount() const { return state_.TotalPages; }
    bool Running() const { return state_.Running; }
    bool SecondScriptCall = false;
    bool Terminated() const { return report_.Terminated; }

    const TfrxBandLinks& Links(const TfrxBand* band);
    const std::vector<TfrxDataBand*>& Masters(const TfrxReportPage* page);

    // TfrxRunValues
    TDateTime StartDate() const override { return startDate_; }
    TDateTime StartTime() const override { return startTime_; }
    int LogicalPageNo() const override { return pages_.LogicalPageNumber(); }
    int CurrentPageIndex() const override { return pages_.CurPage; }
    int LogicalTotalPages() const override { return pages_.LogicalTotalPages(); }
    int TotalPages() const override { return state_.TotalPages; }
    int Line() const override { return line_; }
    int LineThrough() const override { return lineThrough_; }

    // ScriptObject ("Engine")
    AnsiString ScriptClassName() const override { return "TfrxEngine"; }
    bool GetProperty(std::string_view name, Variant& value) override;
    bool SetProperty(std::string_view name, const Variant& value) override;
    bool CallMethod(std::string_view name, std::vector<Variant>& args, Variant& result) override;

    // Calls a script handler with the sender (only while running).
    void FireEvent(const AnsiString& handler, TfrxComponent* sender);

private:
    struct HeaderEntry {
        TfrxBand* Band = nullptr;
        double X = 0;
        bool InKeep = false;
    };

    // -- run steps
    void BuildBandTree(TfrxReportPage& page);
    bool CheckDataSets();
    void RunPasses();
    void ReportLoop();
    void RunPages();
    void RunPage(TfrxReportPage& page);
    void RunPageBody(TfrxReportPage& page);
    void ShowPageObjects(TfrxReportPage& page);
    void StoreEndlessHeight(TfrxReportPage& page, double printableHeight);

    // -- page layout
    void StartPageOut();
    void OpenPageWithHeaders();
    void EndPageOut();
    void ShowFooter(TfrxBand* band);
    void ShowColumnFooter();
    void PlaceBand(TfrxBand& band);
    void PrepareBand(TfrxBand& band);
    void AfterPrint(TfrxBand& band);
    void SplitBand(TfrxBand& band);
    void RunSubreports(TfrxBand& band, double bandTop);
    void PrintSubreportsOnParent(TfrxBand& band, const std::vector<TfrxSubreport*>& subreports);
    void OutputBand(TfrxBand& band);
    void AddHeader(TfrxBand* band);
    void RemoveHeader(TfrxBand* band);
    void AddPageOutline();
    void RegisterAggregates(TfrxReportPage& page);
    template <typename T>
    T* FindBand() const;
    double FooterHeight() const;

    // -- print cycle of one object
    void FetchObject(TfrxReportComponent& object);
    void FetchMemo(TfrxCustomMemoView& memo);
    Variant Calc(const AnsiString& expr);

    // -- shifting
    void BuildShiftTree(TfrxBand& band);
    void ShiftObjects(TfrxComponent* parent, TfrxBand& band, double amount);

    // -- data bands and groups
    bool HasPrintableData(const std::vector<TfrxDataBand*>& candidates, bool printIfEmpty,
                          bool isPage);
    void RunDataBands(const std::vector<TfrxDataBand*>& bands);
    void StartGroups(TfrxDataBand& band, size_t from, bool first);
    void CheckGroups(TfrxDataBand& band);
    void CloseGroups(TfrxDataBand& band, size_t level);
    void ForgetLastTexts(TfrxBand& band);
    void AddBandOutline(TfrxBand& band);
    void LeaveBandOutline(TfrxBand& band);
    TfrxDataSet* DataSetOf(TfrxDataBand& band);
    void ColumnRowStep(TfrxDataBand& band);

    // -- keep mode
    void StartKeep(TfrxBand* band);
    void EndKeep(TfrxBand* band);

    TfrxReport& report_;
    TfrxPreviewPages& pages_;
    TfrxReportExpressions& expressions_;
    TfrxRunState state_;
    TfrxAggregateList aggregates_;
    TDateTime startDate_ = 0, startTime_ = 0;
    int line_ = 0, lineThrough_ = 0;

    TfrxReportPage* page_ = nullptr;
    double pageXOffset_ = 0;
    double columnTop_ = 0;
    std::vector<HeaderEntry> headers_;
    bool firstPage_ = false, lastPage_ = false, inSummary_ = false, printingHeaders_ = false;
    TfrxBand* pageBreakBand_ = nullptr;
    TfrxBand* currentBand_ = nullptr;
    bool keeping_ = false;
    TfrxBand* keepBand_ = nullptr;
    int keepPosition_ = 0;
    bool showingDataFooter_ = false;
    bool firstPassPage_ = true;
    bool noKeep_ = false; // the first row of a page's first data band
    TfrxBand* tempBand_ = nullptr;
    TfrxNullBand* subreportBand_ = nullptr; // collects a subreport printed on its parent
    std::unordered_map<const TfrxBand*, std::vector<TfrxComponent*>> movedViews_;

    std::unordered_map<const TfrxBand*, TfrxBandLinks> links_;
    std::unordered_map<const TfrxReportPage*, std::vector<TfrxDataBand*>> masters_;
    // Shift children per object (the band itself holds the top level).
    std::unordered_map<const TfrxComponent*, std::vector<TfrxComponent*>> shiftChildren_;
    std::unordered_map<const TfrxComponent*, double> shiftAmount_;
    std::unordered_map<const TfrxBand*, bool> shiftTreeBuilt_;
    // The row set of a multi-column data band: where it began on the page
    // and the lowest point its columns reached.
    struct RowSet {
        int Position = 0;
        double Top = 0;
        double Lowest = 0;
    };
    std::unordered_map<const TfrxBand*, RowSet> rowSets_;
};

// One report's run: its expressions, engine and prepared pages.
class TfrxReportRun {
public:
    explicit TfrxReportRun(TfrxReport& report);
    ~TfrxReportRun();
    TfrxReportRun(const TfrxReportRun&) = delete;
    TfrxReportRun& operator=(const TfrxReportRun&) = delete;

    // Runs the report; true when pages were produced without errors. The
    // report's objects are saved before and reloaded after the run, so the
    // run changes nothing of them.
    bool BuildReport(bool clearPrevious = true);

    TfrxReport& Report() { return report_; }
    TfrxPreviewPages& PreparedPages() { return pages_; }
    TfrxReportExpressions& Expressions() { return expressions_; }
    TfrxEngine& Engine() { return engine_; }
    // Builds the report and, when that worked, shows the prepared pages
    // through OnShowPreview (returning when the preview is closed).
    bool ShowReport(bool clearPrevious = true);

    // The host's hooks around a run.
    std::function<void(TfrxReport&)> OnBeginDoc, OnEndDoc;
    // The preview window; without one ShowReport only builds.
    std::function<void(TfrxReportRun&)> OnShowPreview;

private:
    TfrxReport& report_;
    TfrxPreviewPages pages_;
    TfrxReportExpressions expressions_;
    TfrxEngine engine_;
};

} // namespace kanvo
