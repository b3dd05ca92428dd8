#include "report/engine/engine.h"

#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "report/engine/memo_layout.h"
#include "report/engine/memo_text.h"
#include "report/model/dataset.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"
#include "report/model/stream.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace kanvo {

namespace {

// Positions compared as fixed-point text with two decimals.
int64_t Hundredths(double v) {
    return std::llround(v * 100);
}

bool Overlap(double a0, double a1, double b0, double b1) {
    return a0 < b1 - 0.0001 && a1 > b0 + 0.0001;
}

bool IsDataBand(const TfrxBand* b) {
    return dynamic_cast<const TfrxDataBand*>(b) != nullptr;
}

std::vector<TfrxBand*> BandsOf(const TfrxReportPage& page) {
    std::vector<TfrxBand*> bands;
    for (TfrxComponent* c : page.Objects())
        if (auto* b = dynamic_cast<TfrxBand*>(c))
            bands.push_back(b);
    return bands;
}

} // namespace

// ---------------------------------------------------------------- engine

TfrxEngine::TfrxEngine(TfrxReport& report, TfrxPreviewPages& pages,
                       TfrxReportExpressions& expressions)
    : report_(report), pages_(pages), expressions_(expressions), aggregates_(report) {
    pages_.Engine = &state_;
    aggregates_.Calc = [this](const AnsiString& e) { return Calc(e); };
    expressions_.Aggregate = [this](const AnsiString& name, const AnsiString& expr, TfrxBand* band,
                                    int flags) {
        return aggregates_.AggregateValue(currentBand_, 0, name, expr, band, flags);
    };
}

TfrxEngine::~TfrxEngine() {
    if (pages_.Engine == &state_)
        pages_.Engine = nullptr;
    expressions_.Aggregate = nullptr;
}

const TfrxBandLinks& TfrxEngine::Links(const TfrxBand* band) {
    return links_[band];
}

const std::vector<TfrxDataBand*>& TfrxEngine::Masters(const TfrxReportPage* page) {
    return masters_[page];
}

Variant TfrxEngine::Calc(const AnsiString& expr) {
    return expressions_.Calc(expr);
}

void TfrxEngine::FireEvent(const AnsiString& handler, TfrxComponent* sender) {
    if (!state_.Running || handler.empty())
        return;
    report_.CurrentObjectName = sender ? sender->Name() : AnsiString();
    std::vector<Variant> args{Variant(static_cast<Object*>(sender))};
    expressions_.Script().CallFunction(handler, args);
}

// -- the run

bool TfrxEngine::Run() {
    pages_.BeginRun();
    startDate_ = std::floor(Now());
    startTime_ = Now() - startDate_;
    state_.Running = true;
    state_.DoublePass = report_.EngineOptions.DoublePass;
    state_.FinalPass = !state_.DoublePass;
    state_.TotalPages = 0;
    keeping_ = false;
    keepBand_ = nullptr;
    links_.clear();
    masters_.clear();
    shiftChildren_.clear();
    shiftAmount_.clear();
    shiftTreeBuilt_.clear();
    rowSets_.clear();
    aggregates_.Clear();
    expressions_.SetRunValues(this);

    bool checked = false;
    bool result = false;
    auto finish = [&] {
        if (checked)
            FireEvent(report_.OnStopReport, &report_);
        report_.DataSets.Finalize();
        pages_.EndRun();
        state_.Running = false;
    };
    try {
        for (int i = 0; i < report_.PageCount(); ++i)
            if (auto* page = dynamic_cast<TfrxReportPage*>(report_.Pages(i)))
                BuildBandTree(*page);
        if (!CheckDataSets() || !report_.Errors.empty()) {
            finish();
            return false;
        }
        checked = true;
        report_.DataSets.Initialize();
        FireEvent(report_.OnStartReport, &report_);
        if (!TrimBlanks(report_.OnRunDialogs).empty()) {
            std::vector<Variant> args{Variant(true)};
            report_.CurrentObjectName = report_.Name();
            expressions_.Script().CallFunction(TrimBlanks(report_.OnRunDialogs), args);
            if (!args[0].ToBool()) {
                finish();
                return false;
            }
        }
        RunPasses();
        result = true;
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

bool TfrxEngine::CheckDataSets() {
    TfrxComponent* reportDataSet = report_.DataSet.Get();
    for (int i = 0; i < report_.PageCount(); ++i) {
        auto* page = dynamic_cast<TfrxReportPage*>(report_.Pages(i));
        if (!page)
            continue;
        if (reportDataSet && page->DataSet.Get() == reportDataSet) {
            report_.AddError("Cannot use the same dataset for Report.DataSet and Page.DataSet");
            return false;
        }
        for (TfrxDataBand* band : masters_[page]) {
            if (reportDataSet && band->DataSet.Get() == reportDataSet) {
                report_.AddError("Cannot use the same dataset for Report.DataSet and Band.DataSet");
                break;
            }
            if (page->DataSet && band->DataSet.Get() == page->DataSet.Get()) {
                report_.AddError("Cannot use the same dataset for Page.DataSet and Band.DataSet");
                break;
            }
        }
    }
    return report_.Errors.empty();
}

void TfrxEngine::RunPasses() {
    for (int i = 0; i < report_.PageCount(); ++i) {
        auto* page = dynamic_cast<TfrxReportPage*>(report_.Pages(i));
        if (!page)
            continue;
        pages_.RegisterSourcePage(*page);
        RegisterAggregates(*page);
    }
    state_.FinalPass = !state_.DoublePass;
    state_.TotalPages = 0;
    pages_.OpenPass();
    ReportLoop();
    if (state_.DoublePass) {
        state_.TotalPages = pages_.Count();
        pages_.DropFirstPass();
        aggregates_.ClearValues();
        state_.FinalPass = true;
        ReportLoop();
    }
    // The last run of pages gets its logical totals.
    pages_.CloseLogicalNumbering();
}

void TfrxEngine::RegisterAggregates(TfrxReportPage& page) {
    std::function<TfrxAggregateBandNode(TfrxDataBand*)> node = [&](TfrxDataBand* band) {
        const TfrxBandLinks& l = links_[band];
        TfrxAggregateBandNode n;
        n.Band = band;
        n.Footer = l.Footer;
        for (TfrxGroupHeader* g : l.Groups)
            if (TfrxBand* f = links_[g].Footer)
                n.GroupFooters.push_back(f);
        for (TfrxDataBand* d : l.Details)
            n.Details.push_back(node(d));
        return n;
    };
    TfrxAggregatePageBands bands;
    for (TfrxDataBand* master : masters_[&page])
        bands.Masters.push_back(node(master));
    TfrxReportPage* saved = page_;
    page_ = &page;
    bands.PageFooter = FindBand<TfrxPageFooter>();
    bands.ColumnFooter = FindBand<TfrxColumnFooter>();
    bands.ReportSummary = FindBand<TfrxReportSummary>();
    page_ = saved;
    aggregates_.AddPage(bands);
}

void TfrxEngine::ReportLoop() {
    auto* ds = dynamic_cast<TfrxDataSet*>(report_.DataSet.Get());
    if (!ds) {
        RunPages();
        return;
    }
    for (ds->First(); !ds->Eof() && !Terminated(); ds->Next())
        RunPages();
}

void TfrxEngine::RunPages() {
    firstPassPage_ = true;
    for (int i = 0; i < report_.PageCount() && !Terminated(); ++i) {
        auto* page = dynamic_cast<TfrxReportPage*>(report_.Pages(i));
        if (!page || !page->Visible())
            continue;
        bool isSubreportPage = false;
        for (TfrxComponent* c : report_.AllObjects())
            if (auto* sub = dynamic_cast<TfrxSubreport*>(c); sub && sub->Page() == page)
                isSubreportPage = true;
        if (!isSubreportPage)
            RunPage(*page);
    }
}

void TfrxEngine::RunPage(TfrxReportPage& page) {
    page_ = &page;
    FireEvent(page.OnBeforePrint, &page);
    if (auto* ds = dynamic_cast<TfrxDataSet*>(page.DataSet.Get())) {
        for (ds->First(); !ds->Eof() && !Terminated(); ds->Next())
            RunPageBody(page);
    } else {
        RunPageBody(page);
    }
    FireEvent(page.OnAfterPrint, &page);
}

void TfrxEngine::RunPageBody(TfrxReportPage& page) {
    if (!report_.EngineOptions.PrintIfEmpty && !HasPrintableData(masters_[&page], false, true))
        return;
    StartPageOut();
    ShowPageObjects(page);
    if (!page.OnManualBuild.empty()) {
        FireEvent(page.OnManualBuild, &page);
    } else {
        noKeep_ = true;
        RunDataBands(masters_[&page]);
        noKeep_ = false;
    }
    lastPage_ = true;
    if (page.EndlessHeight)
        StoreEndlessHeight(page, CurY + FooterHeight());
    EndPageOut();
    lastPage_ = false;
}

void TfrxEngine::StoreEndlessHeight(TfrxReportPage& page, double printableHeight) {
    PageHeight = printableHeight;
    pages_.SetSourcePageSize(page, PageHeight + (page.TopMargin + page.BottomMargin) * fr01cm,
                             page.PaperWidth() * fr01cm);
}

void TfrxEngine::ShowPageObjects(TfrxReportPage& page) {
    // Objects placed on the page outside the bands print once per page
    // body from a temporary band of the page's size.
    std::vector<std::pair<TfrxComponent*, int>> moved;
    const std::vector<TfrxComponent*> objects = page.Objects();
    for (size_t i = 0; i < objects.size(); ++i)
        if (dynamic_cast<TfrxView*>(objects[i]))
            moved.emplace_back(objects[i], static_cast<int>(i));
    if (moved.empty())
        return;
    TfrxNullBand temp;
    temp.SetBounds(0, 0, PageWidth, PageHeight);
    for (auto& [object, index] : moved)
        object->SetParent(&temp);
    const double y = CurY;
    tempBand_ = &temp;
    try {
        ShowBand(&temp);
    } catch (...) {
        tempBand_ = nullptr;
        for (auto& [object, index] : moved) {
            object->SetParent(&page);
            page.MoveChild(object, index);
        }
        throw;
    }
    tempBand_ = nullptr;
    CurY = y;
    for (auto& [object, index] : moved) {
        object->SetParent(&page);
        page.MoveChild(object, index);
    }
    shiftTreeBuilt_.erase(&temp);
    shiftChildren_.erase(&temp);
    links_.erase(&temp);
}

// -- band tree

void TfrxEngine::BuildBandTree(TfrxReportPage& page) {
    page.ApplyChildAlignment();
    auto& masters = masters_[&page];
    masters.clear();
    std::vector<TfrxBand*> list;
    for (TfrxBand* b : BandsOf(page)) {
        if (b->Vertical)
            continue;
        links_[b] = TfrxBandLinks{};
        if (auto* data = dynamic_cast<TfrxDataBand*>(b);
            data && !data->DataSet && data->RowCount() > 0)
            data->VirtualDataSet().Initialize();
        const int n = b->BandNumber();
        if (n >= 4 && n <= 13)
            list.push_back(b);
    }
    std::stable_sort(list.begin(), list.end(), [](const TfrxBand* a, const TfrxBand* b) {
        return Hundredths(a->Top()) < Hundredths(b->Top());
    });

    // Groups: consecutive group headers belong to the next data band.
    std::vector<TfrxGroupHeader*> pending;
    std::vector<TfrxGroupHeader*> unpaired;
    std::vector<TfrxBand*> rest;
    for (TfrxBand* b : list) {
        if (auto* g = dynamic_cast<TfrxGroupHeader*>(b)) {
            pending.push_back(g);
            unpaired.push_back(g);
            continue;
        }
        if (auto* f = dynamic_cast<TfrxGroupFooter*>(b)) {
            if (unpaired.empty()) {
                report_.AddError(frxGet("enUnconnGFooter") + " " + f->Name());
            } else {
                links_[unpaired.back()].Footer = f;
                unpaired.pop_back();
            }
            continue;
        }
        if (IsDataBand(b) && !pending.empty()) {
            links_[b].Groups = pending;
            pending.clear();
        }
        rest.push_back(b);
    }
    for (TfrxGroupHeader* g : pending)
        report_.AddError(frxGet("enUnconnGroup") + " " + g->Name());

    // Headers and footers next to their data bands.
    std::vector<TfrxBand*> data;
    for (size_t i = 0; i < rest.size(); ++i) {
        TfrxBand* b = rest[i];
        if (dynamic_cast<TfrxHeader*>(b)) {
            if (i + 1 < rest.size() && IsDataBand(rest[i + 1]))
                links_[rest[i + 1]].Header = b;
            else
                report_.AddError(frxGet("enUnconnHeader") + " " + b->Name());
            continue;
        }
        if (dynamic_cast<TfrxFooter*>(b)) {
            if (i > 0 && IsDataBand(rest[i - 1]))
                links_[rest[i - 1]].Footer = b;
            else
                report_.AddError(frxGet("enUnconnHeader") + " " + b->Name());
            continue;
        }
        data.push_back(b);
    }

    // Master/detail: after a band of number n, the bands of number n + 1.
    auto hasData = [](TfrxBand* b) {
        auto* d = dynamic_cast<TfrxDataBand*>(b);
        return d && (d->DataSet || d->RowCount() > 0);
    };
    std::vector<bool> placed(data.size(), false);
    std::function<void(size_t, TfrxDataBand*)> collect = [&](size_t at, TfrxDataBand* master) {
        const int n = master->BandNumber();
        for (size_t j = at + 1; j < data.size(); ++j) {
            const int m = data[j]->BandNumber();
            if (m <= n)
                break;
            if (m == n + 1 && hasData(data[j])) {
                auto* detail = static_cast<TfrxDataBand*>(data[j]);
                links_[master].Details.push_back(detail);
                placed[j] = true;
                collect(j, detail);
            }
        }
    };
    for (size_t i = 0; i < data.size(); ++i) {
        if (dynamic_cast<TfrxMasterData*>(data[i]) && hasData(data[i])) {
            auto* master = static_cast<TfrxDataBand*>(data[i]);
            masters.push_back(master);
            placed[i] = true;
            collect(i, master);
        }
    }
    for (size_t i = 0; i < data.size(); ++i)
        if (!placed[i] && hasData(data[i]))
            report_.AddError(frxGet("enBandPos") + " " + data[i]->Name());
}

TfrxDataSet* TfrxEngine::DataSetOf(TfrxDataBand& band) {
    if (auto* ds = dynamic_cast<TfrxDataSet*>(band.DataSet.Get()))
        return ds;
    return band.RowCount() > 0 ? &band.VirtualDataSet() : nullptr;
}

// -- page layout

template <typename T>
T* TfrxEngine::FindBand() const {
    if (!page_)
        return nullptr;
    for (TfrxComponent* c : page_->Objects())
        if (auto* b = dynamic_cast<T*>(c))
            return b;
    return nullptr;
}

double TfrxEngine::FooterHeight() const {
    double h = 0;
    if (auto* b = FindBand<TfrxColumnFooter>())
        h += b->Height();
    if (auto* b = FindBand<TfrxPageFooter>())
        h += b->Height();
    return h;
}

double TfrxEngine::FreeSpace() const {
    if (page_ && page_->EndlessHeight)
        return 1000000;
    return PageHeight - FooterHeight() - CurY;
}

void TfrxEngine::AddHeader(TfrxBand* band) {
    if (!band)
        return;
    for (const HeaderEntry& e : headers_)
        if (e.Band == band)
            return;
    headers_.push_back({band, CurX, keeping_});
}

void TfrxEngine::RemoveHeader(TfrxBand* band) {
    headers_.erase(std::remove_if(headers_.begin(), headers_.end(),
                                  [band](const HeaderEntry& e) { return e.Band == band; }),
                   headers_.end());
}

void TfrxEngine::StartPageOut() {
    TfrxReportPage& page = *page_;
    headers_.clear();
    auto* title = FindBand<TfrxReportTitle>();
    auto* header = FindBand<TfrxPageHeader>();
    if (page.TitleBeforeHeader) {
        AddHeader(title);
        AddHeader(header);
    } else {
        AddHeader(header);
        AddHeader(title);
    }
    PageHeight = (page.PaperHeight() - page.TopMargin - page.BottomMargin) * fr01cm;
    PageWidth = (page.PaperWidth() - page.LeftMargin - page.RightMargin) * fr01cm;
    CurX = 0;
    CurY = 0;
    state_.CurY = 0;
    CurColumn = 1;
    pageXOffset_ = 0;
    firstPage_ = true;
    lastPage_ = false;
    pages_.Outline().LevelRoot();
    if (page.ResetPageNumbers)
        pages_.CloseLogicalNumbering();
    if (pages_.Count() > 0 && page.PrintOnPreviousPage) {
        pages_.CurPage = pages_.Count() - 1;
        CurY = pages_.LowestBandBottom();
        RemoveHeader(title);
        ShowBand(title);
    } else {
        OpenPageWithHeaders();
    }
    if (firstPassPage_) {
        pages_.FirstPage = pages_.CurPage;
        firstPassPage_ = false;
    }
    columnTop_ = CurY;
    auto* columnHeader = FindBand<TfrxColumnHeader>();
    ShowBand(columnHeader);
    AddHeader(columnHeader);
    RemoveHeader(title);
    AddPageOutline();
}

void TfrxEngine::AddPageOutline() {
    if (!page_ || page_->OutlineText.empty())
        return;
    pages_.Outline().LevelRoot();
    pages_.Outline().AddItem(VarToStr(Calc(page_->OutlineText)), 0);
}

void TfrxEngine::OpenPageWithHeaders() {
    pages_.OpenPage(*page_);
    CurY = 0;
    if (auto* overlay = FindBand<TfrxOverlay>(); overlay && !overlay->PrintOnTop)
        ShowBand(overlay);
    CurY = 0;
    columnTop_ = 0;
    const double savedX = CurX;
    const std::vector<HeaderEntry> entries = headers_;
    for (const HeaderEntry& e : entries) {
        TfrxBand* band = e.Band;
        CurX = e.X;
        if (band == pageBreakBand_)
            continue;
        if (auto* ph = dynamic_cast<TfrxPageHeader*>(band);
            ph && firstPage_ && !ph->PrintOnFirstPage) {
            if (ph->PrintChildIfInvisible)
                band = ph->Child();
            else
                continue;
            if (!band)
                continue;
        }
        if (e.InKeep && keeping_ && !showingDataFooter_)
            continue;
        if (dynamic_cast<TfrxHeader*>(band) && band == currentBand_)
            continue;
        const int savedLine = line_, savedThrough = lineThrough_;
        const TfrxBandLinks& l = links_[band];
        line_ = l.Line;
        lineThrough_ = l.LineThrough;
        printingHeaders_ = true;
        if (dynamic_cast<TfrxReportTitle*>(band))
            RemoveHeader(band);
        if (dynamic_cast<TfrxPageHeader*>(band))
            columnTop_ = band->Height();
        ShowBand(band);
        printingHeaders_ = false;
        line_ = savedLine;
        lineThrough_ = savedThrough;
    }
    CurX = savedX;
}

void TfrxEngine::ShowColumnFooter() {
    auto* footer = FindBand<TfrxColumnFooter>();
    if (!footer)
        return;
    PrepareBand(*footer);
    if (footer->Visible()) {
        footer->SetLeft(CurX - pageXOffset_);
        footer->SetTop(CurY);
        OutputBand(*footer);
        CurY += footer->Height();
    }
    AfterPrint(*footer);
    aggregates_.Reset(footer);
}

void TfrxEngine::ShowFooter(TfrxBand* band) {
    if (!band)
        return;
    PrepareBand(*band);
    if (band->Visible()) {
        band->SetLeft(0);
        band->SetTop(CurY);
        bool output = true;
        if (auto* pf = dynamic_cast<TfrxPageFooter*>(band)) {
            if (firstPage_ && !pf->PrintOnFirstPage)
                output = false;
            if (lastPage_ && !pf->PrintOnLastPage)
                output = false;
        }
        if (output && !pages_.HasBand(*band))
            OutputBand(*band);
        CurY += band->Height();
    }
    AfterPrint(*band);
    aggregates_.Reset(band);
}

void TfrxEngine::EndPageOut() {
    if (!inSummary_)
        ShowColumnFooter();
    if (!lastPage_) {
        CurX = pageXOffset_;
        CurColumn = 1;
    }
    if (lastPage_ && !inSummary_) {
        inSummary_ = true;
        TfrxReportSummary* summary = FindBand<TfrxReportSummary>();
        ShowBand(summary);
        if (summary && page_->EndlessHeight)
            StoreEndlessHeight(*page_, PageHeight + summary->Height());
        inSummary_ = false;
    }
    if (auto* footer = FindBand<TfrxPageFooter>()) {
        CurY = PageHeight - footer->Height();
        ShowFooter(footer);
    }
    if (auto* overlay = FindBand<TfrxOverlay>(); overlay && overlay->PrintOnTop) {
        CurY = 0;
        ShowFooter(overlay);
    }
    firstPage_ = false;
}

void TfrxEngine::NewColumn() {
    const int columns = page_ ? page_->Columns() : 0;
    if (CurColumn >= columns) {
        NewPage();
        return;
    }
    ShowColumnFooter();
    ++CurColumn;
    double x = 0;
    if (static_cast<size_t>(CurColumn - 1) < page_->ColumnPositions.size()) {
        try {
            x = TemplateTextToFloat(page_->ColumnPositions[static_cast<size_t>(CurColumn - 1)]) *
                fr01cm;
        } catch (const Exception&) {
            x = 0;
        }
    }
    CurY = columnTop_;
    for (const HeaderEntry& e : headers_) {
        if (dynamic_cast<TfrxPageHeader*>(e.Band))
            continue;
        CurX = e.X + x;
        for (TfrxBand* b = e.Band; b; b = b->Child()) {
            PrepareBand(*b);
            if (b->Visible()) {
                b->SetLeft(CurX);
                b->SetTop(CurY);
                OutputBand(*b);
                CurY += b->Height();
            }
            AfterPrint(*b);
        }
    }
    CurX = pageXOffset_ + x;
}

void TfrxEngine::NewPage() {
    int cutFrom = -1;
    TfrxBand* keepBand = keepBand_;
    if (keeping_) {
        if (showingDataFooter_)
            aggregates_.DropLastValue(keepBand);
        cutFrom = keepPosition_;
        pages_.CutObjects(cutFrom);
        CurY = pages_.LowestBandBottom();
    }
    TfrxBand* current = currentBand_;
    EndPageOut();
    currentBand_ = current;
    OpenPageWithHeaders();
    if (cutFrom >= 0) {
        aggregates_.KeepBlockMoved();
        pages_.PasteObjects(0, CurY);
        CurY = pages_.LowestBandBottom();
        if (showingDataFooter_)
            aggregates_.RestoreLastValue(keepBand);
    }
    keeping_ = false;
    keepBand_ = nullptr;
    AddPageOutline();
}

void TfrxEngine::StopReport() {
    report_.Terminated = true;
    expressions_.Script().Terminate();
}

// -- keep mode

void TfrxEngine::StartKeep(TfrxBand* band) {
    if (keeping_ || noKeep_ || !band)
        return;
    keeping_ = true;
    keepBand_ = band;
    keepPosition_ = pages_.CurPosition();
    aggregates_.StartKeep();
}

void TfrxEngine::EndKeep(TfrxBand* band) {
    if (!keeping_ || keepBand_ != band)
        return;
    keeping_ = false;
    keepBand_ = nullptr;
    aggregates_.EndKeep();
}

// -- bands

void TfrxEngine::ShowBand(TfrxBand* band) {
    if (!band)
        return;
    const bool startedKeep = band->KeepChild && !keeping_;
    if (band->KeepChild)
        StartKeep(band);
    PlaceBand(*band);
    if (TfrxBand* child = band->Child(); child && (band->Visible() || band->PrintChildIfInvisible))
        ShowBand(child);
    if (startedKeep)
        EndKeep(band);
    if (IsDataBand(band))
        aggregates_.AccumulateRow(band, 0);
}

void TfrxEngine::PlaceBand(TfrxBand& band) {
    auto* group = dynamic_cast<TfrxGroupHeader*>(&band);
    if (!printingHeaders_ && !subreportBand_ && band.Visible() && band.StartNewPage &&
        ((!IsDataBand(&band) && !group) || links_[&band].Line != 1)) {
        pageBreakBand_ = &band;
        if (group && group->ResetPageNumbers)
            pages_.CloseLogicalNumbering();
        NewPage();
        pageBreakBand_ = nullptr;
    }
    PrepareBand(band);
    if (band.Visible()) {
        auto* data = dynamic_cast<TfrxDataBand*>(&band);
        const bool multiColumn = data && data->Columns > 1;
        const bool temporary = &band == tempBand_;
        if (!multiColumn && !temporary && !subreportBand_ && !dynamic_cast<TfrxOverlay*>(&band) &&
            FreeSpace() < band.Height()) {
            if (band.AllowSplit && !keeping_) {
                SplitBand(band);
                AfterPrint(band);
                aggregates_.Reset(&band);
                return;
            }
            // A band that cannot split moves on as a whole (and prints past
            // the bottom of a page that cannot hold it at all).
            bool repeated = false;
            if (!keeping_)
                for (TfrxComponent* c : band.Objects())
                    if (auto* memo = dynamic_cast<TfrxCustomMemoView*>(c);
                        memo && memo->SuppressRepeated && memo->LastPrintedText) {
                        memo->LastPrintedText.reset();
                        repeated = true;
                    }
            if (repeated) {
                AfterPrint(band);
                SecondScriptCall = true;
                PrepareBand(band);
                SecondScriptCall = false;
            }
            if (!(dynamic_cast<TfrxChild*>(&band) && printingHeaders_)) {
                const bool wasKeeping = keeping_;
                NewColumn();
                if (wasKeeping && FreeSpace() < band.Height()) {
                    currentBand_ = &band;
                    NewColumn();
                }
            }
        }
        if (!temporary) {
            if (multiColumn)
                band.SetLeft(band.Left() + CurX);
            else
                band.SetLeft(CurX);
            band.SetTop(CurY);
        }
        if (!(printingHeaders_ && pages_.HasBand(band)))
            OutputBand(band);
        CurY += band.Height();
    }
    const bool visible = band.Visible();
    const double bandTop = CurY - band.Height();
    AfterPrint(band);
    aggregates_.Reset(&band);
    if (visible)
        RunSubreports(band, bandTop);
}

void TfrxEngine::RunSubreports(TfrxBand& band, double bandTop) {
    std::vector<TfrxSubreport*> subreports;
    for (TfrxComponent* c : band.Objects())
        if (auto* s = dynamic_cast<TfrxSubreport*>(c);
            s && s->Visible() && !s->PrintOnParent && s->Page())
            subreports.push_back(s);
    if (subreports.empty())
        return;
    // Each subreport starts on the band's page and column; the run goes on
    // from the furthest point any of them reached.
    const int startPage = pages_.CurPage;
    const int startColumn = CurColumn;
    const double startX = CurX, savedOffset = pageXOffset_;
    int bestPage = startPage, bestColumn = startColumn;
    double bestY = CurY;
    // A band reprinted as a header still runs its subreports as rows.
    const bool headers = printingHeaders_;
    printingHeaders_ = false;
    for (TfrxSubreport* s : subreports) {
        pages_.CurPage = startPage;
        pages_.AddMode = TfrxAddPageMode::Overwrite;
        CurColumn = startColumn;
        pageXOffset_ = savedOffset + s->Left();
        CurX = startX + s->Left();
        CurY = bandTop + s->Top();
        RunDataBands(masters_[s->Page()]);
        if (pages_.CurPage > bestPage || (pages_.CurPage == bestPage && CurColumn > bestColumn) ||
            (pages_.CurPage == bestPage && CurColumn == bestColumn && CurY > bestY)) {
            bestPage = pages_.CurPage;
            bestColumn = CurColumn;
            bestY = CurY;
        }
    }
    printingHeaders_ = headers;
    pages_.CurPage = bestPage;
    CurColumn = bestColumn;
    CurY = bestY;
    pageXOffset_ = savedOffset;
    CurX = startX;
}

void TfrxEngine::SplitBand(TfrxBand& band) {
    const std::vector<TfrxComponent*> full = band.Objects();
    std::vector<TfrxComponent*> remaining;
    std::unordered_map<TfrxComponent*, double> rest; // remaining height of stretchables
    for (TfrxComponent* c : full) {
        if (dynamic_cast<TfrxSubreport*>(c))
            continue;
        remaining.push_back(c);
        if (auto* s = dynamic_cast<TfrxStretcheable*>(c)) {
            s->ResetParts();
            rest[c] = s->Height();
        }
    }
    for (TfrxComponent* c : full)
        c->SetParent(nullptr);
    auto restore = [&] {
        for (TfrxComponent* c : full)
            c->SetParent(&band);
        for (size_t i = 0; i < full.size(); ++i)
            band.MoveChild(full[i], static_cast<int>(i));
    };
    auto stretchable = [](TfrxComponent* c) { return dynamic_cast<TfrxStretcheable*>(c); };
    try {
        double y = FreeSpace();
        int emptyParts = 0;
        while (!remaining.empty()) {
            std::vector<TfrxComponent*> part;
            std::vector<TfrxComponent*> movedHere;
            auto moveBelow = [&](TfrxComponent* above, double by) {
                for (TfrxComponent* o : remaining)
                    if (o != above && o->Top() >= above->Top() + 0.0001 &&
                        Overlap(o->Left(), o->Left() + o->Width(), above->Left(),
                                above->Left() + above->Width()) &&
                        std::find(movedHere.begin(), movedHere.end(), o) == movedHere.end())
                        o->SetTop(o->Top() + by);
            };
            for (size_t i = 0; i < remaining.size();) {
                TfrxComponent* c = remaining[i];
                TfrxStretcheable* s = stretchable(c);
                if (c->Top() + c->Height() <= y + 0.0001) {
                    if (s)
                        s->FitPart();
                    part.push_back(c);
                    movedHere.push_back(c);
                    remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(i));
                    continue;
                }
                if (c->Top() < y) {
                    if (s) {
                        s->SetHeight(y - s->Top());
                        const double d = s->FitPart();
                        moveBelow(c, d);
                        if (std::fabs(d - s->Height()) < 0.0001) {
                            s->SetTop(y);
                            s->SetHeight(rest[c]);
                        } else {
                            rest[c] -= s->Height() - d;
                            part.push_back(c);
                            movedHere.push_back(c);
                        }
                    } else {
                        const double old = c->Top();
                        c->SetTop(y);
                        moveBelow(c, y - old);
                    }
                }
                ++i;
            }
            // A part that places nothing twice running can never fit: the
            // first object goes into the part as it is.
            if (part.empty() && !remaining.empty() && ++emptyParts > 1) {
                part.push_back(remaining.front());
                remaining.erase(remaining.begin());
            } else if (!part.empty()) {
                emptyParts = 0;
            }
            double height = 0;
            for (TfrxComponent* c : part)
                height = std::max(height, c->Top() + c->Height());
            if (remaining.empty())
                for (TfrxComponent* c : part) {
                    auto* v = dynamic_cast<TfrxView*>(c);
                    if (v && v->Align == TfrxAlign::baBottom)
                        v->SetTop(height - v->Height());
                    if (auto* s = stretchable(c);
                        s && s->StretchMode == TfrxStretchMode::smMaxHeight)
                        s->SetHeight(height - s->Top());
                }
            for (TfrxComponent* c : part)
                if (c->Parent() != &band)
                    c->SetParent(&band);
            band.SetHeight(height);
            band.SetLeft(CurX);
            band.SetTop(CurY);
            OutputBand(band);
            for (TfrxComponent* c : part)
                c->SetParent(nullptr);
            if (!remaining.empty())
                NewColumn();
            else
                CurY += height;
            for (TfrxComponent* c : remaining) {
                c->SetTop(c->Top() - y);
                if (auto* s = stretchable(c)) {
                    if (s->Top() < 0)
                        s->SetTop(0);
                    s->SetHeight(rest[c]);
                }
            }
            y = FreeSpace();
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TfrxEngine::OutputBand(TfrxBand& band) {
    state_.CurY = CurY;
    if (subreportBand_) {
        // Inside a subreport printed on its parent: a copy of the band, as
        // printed, goes into the collecting band.
        if (const RegisteredClass* cls = FindComponentClass(band.ClassName())) {
            TfrxComponent* copy = subreportBand_->Adopt(cls->Create());
            copy->AssignWithChildren(band);
            copy->SetBounds(band.Left(), band.Top(), band.Width(), band.Height());
        }
        return;
    }
    pages_.PutObject(band);
}

void TfrxEngine::PrintSubreportsOnParent(TfrxBand& band,
                                         const std::vector<TfrxSubreport*>& subreports) {
    TfrxNullBand collector;
    TfrxNullBand* outer = subreportBand_;
    subreportBand_ = &collector;
    const double savedX = CurX, savedY = CurY, savedOffset = pageXOffset_;
    TfrxBand* savedCurrent = currentBand_;
    try {
        for (TfrxSubreport* s : subreports) {
            if (!s->Visible() || !s->Page())
                continue;
            pageXOffset_ = savedOffset + s->Left();
            CurX = savedX + s->Left();
            CurY = s->Top();
            RunDataBands(masters_[s->Page()]);
        }
    } catch (...) {
        subreportBand_ = outer;
        throw;
    }
    subreportBand_ = outer;
    CurX = savedX;
    CurY = savedY;
    pageXOffset_ = savedOffset;
    currentBand_ = savedCurrent;
    // The collected views move into the band where the subreport laid them
    // out; they keep their own font and do not stretch again.
    std::vector<TfrxComponent*>& moved = movedViews_[&band];
    const std::vector<TfrxComponent*> copies = collector.Objects();
    for (TfrxComponent* copy : copies) {
        const std::vector<TfrxComponent*> views = copy->Objects();
        for (TfrxComponent* c : views) {
            auto* view = dynamic_cast<TfrxView*>(c);
            if (!view || dynamic_cast<TfrxSubreport*>(view))
                continue;
            const double left = copy->Left() - savedX + view->Left();
            const double top = copy->Top() + view->Top();
            view->SetParentFont(false);
            if (auto* s = dynamic_cast<TfrxStretcheable*>(view))
                s->StretchMode = TfrxStretchMode::smDontStretch;
            view->SetParent(&band);
            view->SetBounds(left, top, view->Width(), view->Height());
            moved.push_back(view);
        }
    }
}

void TfrxEngine::PrepareBand(TfrxBand& band) {
    currentBand_ = &band;
    BuildShiftTree(band);
    report_.CurrentObjectName = band.Name();
    band.PreparePrint();
    FireEvent(band.OnBeforePrint, &band);
    bool grew = false;
    std::vector<TfrxSubreport*> onParent;
    for (TfrxComponent* c : band.Objects()) {
        auto* object = dynamic_cast<TfrxReportComponent*>(c);
        if (!object)
            continue;
        if (auto* sub = dynamic_cast<TfrxSubreport*>(object); sub && sub->PrintOnParent)
            onParent.push_back(sub);
        object->PreparePrint();
        if (band.Visible()) {
            report_.CurrentObjectName = object->Name();
            FireEvent(object->OnBeforePrint, object);
            if (object->Visible()) {
                FetchObject(*object);
                FireEvent(object->OnAfterData, object);
            }
        }
        auto* stretch = dynamic_cast<TfrxStretcheable*>(object);
        if (band.Visible() && object->Visible() && stretch &&
            stretch->StretchMode != TfrxStretchMode::smDontStretch) {
            const double h = stretch->CalcHeight();
            if (h > stretch->Height()) {
                shiftAmount_[stretch] = h - stretch->Height();
                stretch->SetHeight(h);
                grew = true;
            } else {
                shiftAmount_[stretch] = 0;
            }
        }
    }
    if (!band.Visible())
        return;
    if (grew)
        ShiftObjects(&band, band, 0);
    if (!onParent.empty())
        PrintSubreportsOnParent(band, onParent);
    double bottom = 0;
    for (TfrxComponent* c : band.Objects())
        bottom = std::max(bottom, c->Top() + c->Height());
    if (band.Stretched)
        band.SetHeight(bottom);
    FireEvent(band.OnAfterCalcHeight, &band);
    for (TfrxComponent* c : band.Objects())
        if (auto* s = dynamic_cast<TfrxStretcheable*>(c);
            s && s->StretchMode == TfrxStretchMode::smMaxHeight)
            s->SetHeight(bottom - s->Top());
}

void TfrxEngine::AfterPrint(TfrxBand& band) {
    // The views a subreport laid out on this band were output with it.
    if (auto it = movedViews_.find(&band); it != movedViews_.end()) {
        for (TfrxComponent* view : it->second)
            delete view;
        movedViews_.erase(it);
    }
    if (!band.Visible())
        return;
    for (TfrxComponent* c : band.Objects())
        if (auto* object = dynamic_cast<TfrxReportComponent*>(c)) {
            FireEvent(object->OnAfterPrint, object);
            object->CompletePrint();
        }
    FireEvent(band.OnAfterPrint, &band);
    band.CompletePrint();
}

// -- the print cycle of one object

void TfrxEngine::FetchObject(TfrxReportComponent& object) {
    if (auto* memo = dynamic_cast<TfrxCustomMemoView*>(&object)) {
        FetchMemo(*memo);
        return;
    }
    object.FetchData();
}

void TfrxEngine::FetchMemo(TfrxCustomMemoView& memo) {
    const ExpressionEvaluator calc = [this](const AnsiString& e) { return Calc(e); };
    ExpandViewTags(memo, calc);
    if (memo.IsFieldBound()) {
        auto* ds = dynamic_cast<TfrxDataSet*>(memo.DataSet());
        if (ds && ds->IsBlobField(memo.DataField)) {
            memo.SetText(AnsiToWide(ds->CopyBlobTo(memo.DataField)));
        } else if (ds) {
            memo.Value = ds->Value(memo.DataField);
            WideString text =
                memo.DisplayFormat.Kind != TfrxFormatKind::fkText
                    ? FormatMemoValue(memo.Value, memo.DisplayFormat, memo.Font().Charset())
                    : AnsiToWide(ds->DisplayText(memo.DataField));
            if (memo.HideZeros && !memo.Value.IsString() && !memo.Value.IsNull() &&
                memo.Value.IsNumeric() && memo.Value.ToDouble() == 0)
                text.clear();
            memo.SetText(text);
        }
    } else if (memo.AllowExpressions) {
        ExpandMemoExpressions(memo, calc);
    }
    if (Variant* value = expressions_.Script().Variable("Value"))
        *value = memo.Value;
    memo.Highlight.Active = false;
    if (!TrimBlanks(memo.Highlight.Condition).empty())
        memo.Highlight.Active = Calc(memo.Highlight.Condition).ToBool();
    if (memo.SuppressRepeated) {
        const WideString text = memo.Text();
        if (!memo.LastPrintedText || *memo.LastPrintedText != text)
            memo.LastPrintedText = text;
        else
            memo.SetText(u"");
    }
    if (TfrxCustomMemoView* next = memo.FlowTo()) {
        memo.ResetParts();
        memo.FitPart();
        next->SetText(memo.RemainingText);
        next->AllowExpressions = false;
    }
}

// -- shifting

void TfrxEngine::BuildShiftTree(TfrxBand& band) {
    if (shiftTreeBuilt_[&band])
        return;
    shiftTreeBuilt_[&band] = true;
    struct Box {
        TfrxComponent* object;
        double left, top, right, bottom;
    };
    std::vector<Box> boxes;
    boxes.push_back({&band, 0, -2, band.Width(), -1}); // the virtual top object
    std::vector<TfrxComponent*> objects(band.Objects().begin(), band.Objects().end());
    std::stable_sort(objects.begin(), objects.end(), [](TfrxComponent* a, TfrxComponent* b) {
        return Hundredths(a->Top()) < Hundredths(b->Top());
    });
    for (TfrxComponent* c : objects)
        boxes.push_back({c, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()});
    for (const Box& b : boxes)
        shiftChildren_[b.object].clear();
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& a = boxes[i];
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const Box& b = boxes[j];
            if (Overlap(a.top, a.bottom, b.top, b.bottom) || !(a.top < b.top))
                continue;
            if (!Overlap(a.left, a.right, b.left, b.right))
                continue;
            const double l = std::max(a.left, b.left), r = std::min(a.right, b.right);
            bool blocked = false;
            for (size_t k = i + 1; k < j && !blocked; ++k) {
                const Box& c = boxes[k];
                blocked = !Overlap(c.top, c.bottom, a.top, a.bottom) &&
                          !Overlap(c.top, c.bottom, b.top, b.bottom) &&
                          Overlap(c.left, c.right, l, r) && c.top > a.top && c.top < b.top;
            }
            if (!blocked)
                shiftChildren_[a.object].push_back(b.object);
        }
    }
}

void TfrxEngine::ShiftObjects(TfrxComponent* parent, TfrxBand& band, double amount) {
    auto it = shiftChildren_.find(parent);
    if (it == shiftChildren_.end())
        return;
    for (TfrxComponent* c : it->second) {
        auto* view = dynamic_cast<TfrxView*>(c);
        const double own = shiftAmount_[c];
        double passed = amount + own;
        const TfrxShiftMode mode = view ? view->ShiftMode : TfrxShiftMode::smAlways;
        if (mode == TfrxShiftMode::smAlways) {
            c->SetTop(c->Top() + amount);
        } else if (mode == TfrxShiftMode::smWhenOverlapped) {
            const double parentBottom = parent->Top() + parent->Height();
            if (parent == &band || c->Top() >= parentBottom) {
                passed = own;
            } else {
                passed = parentBottom - c->Top() + own;
                c->SetTop(parentBottom);
            }
        }
        ShiftObjects(c, band, passed);
        shiftAmount_[c] = 0;
    }
}

// -- data bands

bool TfrxEngine::HasPrintableData(const std::vector<TfrxDataBand*>& candidates, bool printIfEmpty,
                                  bool isPage) {
    if (printIfEmpty)
        return true;
    if (candidates.empty())
        return !isPage;
    bool result = false;
    for (TfrxDataBand* band : candidates) {
        TfrxDataSet* ds = DataSetOf(*band);
        if (!ds)
            continue;
        FireEvent(band->OnMasterDetail, band);
        for (ds->First(); !ds->Eof(); ds->Next())
            if (HasPrintableData(links_[band].Details, band->PrintIfDetailEmpty, false)) {
                result = true;
                break;
            }
    }
    return result;
}

void TfrxEngine::ForgetLastTexts(TfrxBand& band) {
    for (TfrxComponent* c : band.Objects())
        if (auto* memo = dynamic_cast<TfrxCustomMemoView*>(c))
            memo->LastPrintedText.reset();
}

void TfrxEngine::AddBandOutline(TfrxBand& band) {
    TfrxBandLinks& l = links_[&band];
    l.AddedOutline = false;
    if (band.OutlineText.empty() || !band.Visible())
        return;
    const double height = band.Height();
    pages_.Outline().AddItem(VarToStr(Calc(band.OutlineText)),
                             static_cast<int>(std::lround(CurY - height)));
    l.AddedOutline = true;
}

void TfrxEngine::LeaveBandOutline(TfrxBand& band) {
    TfrxBandLinks& l = links_[&band];
    if (l.AddedOutline)
        pages_.Outline().LevelUp();
    l.AddedOutline = false;
}

void TfrxEngine::RunDataBands(const std::vector<TfrxDataBand*>& bands) {
    if (Terminated())
        return;
    for (TfrxDataBand* band : bands) {
        TfrxDataSet* ds = DataSetOf(*band);
        if (!ds)
            continue;
        TfrxBandLinks& l = links_[band];
        const bool hasGroups = !l.Groups.empty();
        ds->First();
        l.Line = 1;
        l.LineThrough = 1;
        band->SetCurColumn(1);
        ForgetLastTexts(*band);
        int printed = 0;
        while (!ds->Eof()) {
            if (HasPrintableData(l.Details, band->PrintIfDetailEmpty, false)) {
                if (printed == 0) {
                    if (band->KeepTogether)
                        StartKeep(band);
                    if (band->KeepHeader && l.Header)
                        StartKeep(band);
                    if (auto* h = dynamic_cast<TfrxHeader*>(l.Header); h && h->ReprintOnNewPage)
                        AddHeader(h);
                    ShowBand(l.Header);
                } else if (!hasGroups && band->KeepTogether) {
                    StartKeep(band);
                }
                if (hasGroups) {
                    if (printed == 0)
                        StartGroups(*band, 0, true);
                    else
                        CheckGroups(*band);
                }
                if (band->Columns > 1 && band->CurColumn() == 1)
                    rowSets_[band] = {pages_.CurPosition(), CurY, 0};
                line_ = l.Line;
                lineThrough_ = l.LineThrough;
                ShowBand(band);
                noKeep_ = false;
                if (printed == 0 && band->KeepHeader)
                    EndKeep(band);
                ++l.Line;
                ++l.LineThrough;
                ++printed;
                ColumnRowStep(*band);
                AddBandOutline(*band);
                RunDataBands(l.Details);
                LeaveBandOutline(*band);
            }
            if (band->FooterAfterEach)
                ShowBand(l.Footer);
            if (!hasGroups && band->KeepTogether)
                EndKeep(band);
            ds->Next();
            if ((band->RowCount() > 0 && l.Line > band->RowCount()) || Terminated())
                break;
        }
        noKeep_ = false;
        if (band->Columns > 1 && band->CurColumn() != 1) {
            band->SetCurColumn(band->Columns);
            ColumnRowStep(*band);
        }
        if (printed > 0) {
            CloseGroups(*band, 0);
            if (!band->FooterAfterEach) {
                if (band->KeepFooter)
                    StartKeep(band);
                showingDataFooter_ = true;
                ShowBand(l.Footer);
                showingDataFooter_ = false;
                EndKeep(band);
            }
            RemoveHeader(l.Header);
            if (hasGroups && band->KeepTogether)
                EndKeep(band);
        }
        if (Terminated())
            break;
    }
}

void TfrxEngine::ColumnRowStep(TfrxDataBand& band) {
    if (band.Columns < 2)
        return;
    RowSet& set = rowSets_[&band];
    set.Lowest = std::max(set.Lowest, CurY);
    if (band.CurColumn() < band.Columns) {
        CurY = set.Top; // the next row goes beside this one
    } else if (set.Lowest <= PageHeight - FooterHeight() || (page_ && page_->EndlessHeight)) {
        CurY = set.Lowest;
    } else if (keeping_) {
        NewColumn();
    } else {
        // The set does not fit: it moves to the next column or page whole.
        const double height = set.Lowest - set.Top;
        pages_.CutObjects(set.Position);
        NewColumn();
        pages_.PasteObjects(CurX, CurY);
        CurY += height;
    }
    if (band.Visible()) {
        band.SetCurColumn(band.CurColumn() + 1); // wraps to 1 after the last
        if (band.CurColumn() == 1)
            set.Lowest = 0;
    }
}

void TfrxEngine::StartGroups(TfrxDataBand& band, size_t from, bool first) {
    auto& groups = links_[&band].Groups;
    for (size_t i = from; i < groups.size(); ++i) {
        TfrxBandLinks& g = links_[groups[i]];
        if (first) {
            g.Line = 1;
            g.LineThrough = 1;
            ForgetLastTexts(*groups[i]);
        } else {
            ++g.Line;
            if (i + 1 < groups.size())
                links_[groups[i + 1]].Line = 0;
            ++g.LineThrough;
        }
    }
    for (size_t i = from; i < groups.size(); ++i) {
        TfrxGroupHeader* group = groups[i];
        TfrxBandLinks& g = links_[group];
        line_ = g.Line;
        lineThrough_ = g.LineThrough;
        report_.CurrentObjectName = group->Name();
        g.LastCondition = Calc(group->Condition);
        if (group->KeepTogether)
            StartKeep(group);
        ShowBand(group);
        AddBandOutline(*group);
        if (group->ReprintOnNewPage)
            AddHeader(group);
    }
}

void TfrxEngine::CheckGroups(TfrxDataBand& band) {
    auto& groups = links_[&band].Groups;
    for (size_t i = 0; i < groups.size(); ++i) {
        TfrxGroupHeader* group = groups[i];
        report_.CurrentObjectName = group->Name();
        const Variant value = Calc(group->Condition);
        if (value == links_[group].LastCondition)
            continue;
        TfrxDataSet* ds = DataSetOf(band);
        // The footers see the last record of the finished group.
        bool steppedBack = false;
        if (ds && ds->RecNo > 0) {
            ds->Prior();
            steppedBack = true;
        }
        CloseGroups(band, i);
        if (steppedBack)
            ds->Next();
        StartGroups(band, i, false);
        links_[&band].Line = 1;
        ForgetLastTexts(band);
        break;
    }
}

void TfrxEngine::CloseGroups(TfrxDataBand& band, size_t level) {
    auto& groups = links_[&band].Groups;
    for (size_t i = groups.size(); i-- > level;) {
        TfrxGroupHeader* group = groups[i];
        TfrxBandLinks& g = links_[group];
        auto* footer = dynamic_cast<TfrxGroupFooter*>(g.Footer);
        if (footer) {
            if (footer->HideIfSingleDataRecord && links_[&band].Line < 3) {
                aggregates_.Reset(footer);
            } else {
                ShowBand(footer);
            }
        }
        LeaveBandOutline(*group);
        RemoveHeader(group);
        if (group->KeepTogether)
            EndKeep(group);
    }
}

// -- script access

bool TfrxEngine::GetProperty(std::string_view name, Variant& value) {
    auto is = [&](const char* n) { return SameTextAscii(name, n); };
    if (is("CurX"))
        value = Variant(CurX);
    else if (is("CurY"))
        value = Variant(CurY);
    else if (is("CurColumn"))
        value = Variant(int64_t{CurColumn});
    else if (is("PageWidth"))
        value = Variant(PageWidth);
    else if (is("PageHeight"))
        value = Variant(PageHeight);
    else if (is("DoublePass"))
        value = Variant(state_.DoublePass);
    else if (is("FinalPass"))
        value = Variant(state_.FinalPass);
    else if (is("TotalPages"))
        value = Variant(int64_t{state_.TotalPages});
    else if (is("StartDate"))
        value = Variant::FromDate(startDate_);
    else if (is("StartTime"))
        value = Variant::FromDate(startTime_);
    else if (is("SecondScriptCall"))
        value = Variant(SecondScriptCall);
    else if (is("FreeSpace"))
        value = Variant(FreeSpace());
    else
        return false;
    return true;
}

bool TfrxEngine::SetProperty(std::string_view name, const Variant& value) {
    auto is = [&](const char* n) { return SameTextAscii(name, n); };
    if (is("CurX"))
        CurX = value.ToDouble();
    else if (is("CurY"))
        CurY = value.ToDouble();
    else if (is("CurColumn"))
        CurColumn = static_cast<int>(value.ToInt64());
    else
        return false;
    return true;
}

bool TfrxEngine::CallMethod(std::string_view name, std::vector<Variant>& args, Variant& result) {
    auto is = [&](const char* n) { return SameTextAscii(name, n); };
    if (is("NewPage")) {
        NewPage();
    } else if (is("NewColumn")) {
        NewColumn();
    } else if (is("ShowBand") && args.size() == 1) {
        ShowBand(dynamic_cast<TfrxBand*>(args[0].ToObject()));
    } else if (is("FreeSpace")) {
        result = Variant(FreeSpace());
    } else if (is("StopReport")) {
        StopReport();
    } else if (is("AddAnchor") && args.size() == 1) {
        state_.CurY = CurY;
        pages_.AddAnchor(VarToStr(args[0]));
    } else if (is("GetAnchorPage") && args.size() == 1) {
        result = Variant(int64_t{pages_.GetAnchorPage(VarToStr(args[0]))});
    } else {
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- one report's run

namespace {

// The outline as scripts see it ("Outline").
class OutlineScriptObject : public ScriptObject {
public:
    OutlineScriptObject(TfrxPreviewPages& pages, TfrxEngine& engine)
        : pages_(pages), engine_(engine) {}
    AnsiString ScriptClassName() const override { return "TfrxOutline"; }
    bool CallMethod(std::string_view name, std::vector<Variant>& args, Variant&) override {
        if (SameTextAscii(name, "AddItem") && args.size() == 1)
            pages_.Outline().AddItem(VarToStr(args[0]),
                                     static_cast<int>(std::lround(engine_.CurY)));
        else if (SameTextAscii(name, "LevelRoot"))
            pages_.Outline().LevelRoot();
        else if (SameTextAscii(name, "LevelUp"))
            pages_.Outline().LevelUp();
        else
            return false;
        return true;
    }

private:
    TfrxPreviewPages& pages_;
    TfrxEngine& engine_;
};

} // namespace

TfrxReportRun::TfrxReportRun(TfrxReport& report)
    : report_(report), pages_(&report), expressions_(report),
      engine_(report, pages_, expressions_) {
    // Memos measure and split their text through the report's text layout.
    InstallMemoLayout();
}

TfrxReportRun::~TfrxReportRun() {
    report_.ExpandBracketedText = nullptr;
}

bool TfrxReportRun::BuildReport(bool clearPrevious) {
    if (clearPrevious)
        pages_.ClearPages();
    report_.Errors.clear();
    report_.Terminated = false;
    bool result = false;

    for (int i = 0; i < report_.DataSets.Count(); ++i) {
        const TfrxDataSetItem& item = report_.DataSets.Items(i);
        if (!item.DataSet)
            report_.AddError(Format(frxGet("clDSNotExist"), {item.DataSetName()}));
    }
    if (report_.Errors.empty()) {
        // The run may change the report's objects; they come back from this copy.
        const AnsiString password = report_.ReportOptions.Password;
        report_.ReportOptions.Password.clear();
        TMemoryStream saved;
        report_.SaveToStream(saved, true, false);

        report_.ExpandBracketedText = [this](TfrxComponent&, const AnsiString& text) {
            return ExpandTagText(text,
                                 [this](const AnsiString& e) { return expressions_.Calc(e); });
        };
        OutlineScriptObject outline(pages_, engine_);
        try {
            if (OnBeginDoc)
                OnBeginDoc(report_);
            if (expressions_.PrepareScript(&engine_, &outline)) {
                if (expressions_.Script().MainHasStatements())
                    expressions_.Script().Execute();
                if (engine_.Run()) {
                    if (OnEndDoc)
                        OnEndDoc(report_);
                    result = true;
                }
            }
        } catch (const Exception& e) {
            report_.AddError(e.Message());
        } catch (const std::exception& e) {
            report_.AddError(e.what());
        }
        report_.ExpandBracketedText = nullptr;
        // The script and its compiled expressions name objects of the tree
        // about to be replaced.
        expressions_.Script().Clear();
        expressions_.Cache().Clear();

        std::set<AnsiString> errors = report_.Errors;
        saved.Seek(0);
        report_.Reloading = true;
        report_.LoadFromStream(saved);
        report_.Reloading = false;
        report_.ReportOptions.Password = password;
        for (const AnsiString& e : errors)
            report_.Errors.insert(e);
    }
    if (!report_.Errors.empty()) {
        result = false;
        report_.ReportErrors();
    }
    return result;
}

bool TfrxReportRun::ShowReport(bool clearPrevious) {
    if (clearPrevious)
        pages_.ClearPages();
    if (!BuildReport(false))
        return false;
    if (OnShowPreview)
        OnShowPreview(*this);
    return true;
}

} // namespace kanvo
