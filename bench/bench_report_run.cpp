// The report run: a data band of memos over N rows (virtual rows, the
// memos expanding a field-like expression and the line counter) laid out
// into prepared pages, then every page rebuilt. Rows per second should stay
// flat as N grows: the run and the store are linear.
#include "report/engine/engine.h"
#include "report/model/bands.h"
#include "report/model/pages.h"

#include <benchmark/benchmark.h>

namespace {

using namespace kanvo;

void MakeReport(TfrxReport& report, int rows) {
    RegisterReportModelClasses();
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    auto* page = TfrxComponent::Create<TfrxReportPage>(&report);
    page->SetName("Page1");
    auto* header = TfrxComponent::Create<TfrxPageHeader>(page);
    header->SetName("PageHeader1");
    header->SetBounds(0, 0, 0, 20);
    auto* data = TfrxComponent::Create<TfrxMasterData>(page);
    data->SetName("MasterData1");
    data->SetBounds(0, 40, 0, 19);
    data->SetRowCount(rows);
    for (int i = 0; i < 4; ++i) {
        auto* memo = TfrxComponent::Create<TfrxMemoView>(data);
        memo->SetName("Memo" + std::to_string(i + 1));
        memo->SetBounds(i * 180.0, 0, 175, 19);
        memo->Frame.Typ = 15;
        memo->SetText(i == 0 ? u"[Line]" : u"Řádek [Line#] × [Page#]");
    }
    auto* footer = TfrxComponent::Create<TfrxPageFooter>(page);
    footer->SetName("PageFooter1");
    footer->SetBounds(0, 100, 0, 20);
    auto* number = TfrxComponent::Create<TfrxMemoView>(footer);
    number->SetName("PageNo");
    number->SetBounds(0, 0, 200, 19);
    number->SetText(u"Strana [Page#]");
}

void BM_ReportRun(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    TfrxReport report;
    MakeReport(report, rows);
    TfrxReportRun run(report);
    int pages = 0;
    for (auto _ : state) {
        if (!run.BuildReport())
            state.SkipWithError("the run failed");
        pages = run.PreparedPages().Count();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * rows);
    state.counters["pages"] = pages;
}
BENCHMARK(BM_ReportRun)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_RebuildPages(benchmark::State& state) {
    TfrxReport report;
    MakeReport(report, static_cast<int>(state.range(0)));
    TfrxReportRun run(report);
    run.BuildReport();
    TfrxPreviewPages& pages = run.PreparedPages();
    for (auto _ : state)
        for (int i = 0; i < pages.Count(); ++i)
            benchmark::DoNotOptimize(pages.BuildPage(i));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * pages.Count());
}
BENCHMARK(BM_RebuildPages)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
