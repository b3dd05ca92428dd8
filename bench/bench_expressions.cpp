// Speed of the report's expression machinery: Calc of a cached expression
// that reads a dataset field, Calc of a system variable (no script at all),
// and compiling n different expressions into the cache, which should grow
// linearly with n.
#include "report/engine/expressions.h"
#include "report/model/dataset.h"
#include "report/model/pages.h"
#include "report/model/views.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace kanvo;

class PriceDataSet : public TfrxDataSet {
public:
    Variant Value(const AnsiString&) override { return Variant(1234.5); }
};

// A report with a page, a memo, ten variables and one data source.
struct Setup {
    Setup() {
        auto* page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
        TfrxComponent::Create<TfrxMemoView>(page)->SetName("Memo1");
        for (int i = 0; i < 10; ++i)
            report.Variables.Set("var" + std::to_string(i), Variant(i));
        data.SetUserName("frxDBDataset1");
        report.DataSets.Add().DataSet.Set(&data);
        run.PageIndex = 2;
        ex.SetRunValues(&run);
        ok = ex.PrepareScript();
    }
    TfrxReport report;
    PriceDataSet data;
    TfrxFixedRunValues run;
    TfrxReportExpressions ex{report};
    bool ok = false;
};

void BM_CalcCachedFieldExpression(benchmark::State& state) {
    Setup s;
    const AnsiString expr = "<frxDBDataset1.\"cena\"> * 1.21";
    if (!s.ok || s.ex.Calc(expr).IsNull()) {
        state.SkipWithError("setup failed");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(s.ex.Calc(expr));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_CalcCachedFieldExpression);

void BM_CalcSystemVariable(benchmark::State& state) {
    Setup s;
    const AnsiString expr = "Page#";
    for (auto _ : state)
        benchmark::DoNotOptimize(s.ex.Calc(expr));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_CalcSystemVariable);

// Compiles n different expressions (and runs each once) into an empty cache.
void BM_CompileExpressions(benchmark::State& state) {
    Setup s;
    const int n = static_cast<int>(state.range(0));
    std::vector<AnsiString> texts;
    for (int i = 0; i < n; ++i)
        texts.push_back("<frxDBDataset1.\"cena\"> * " + std::to_string(i) + " + <var" +
                        std::to_string(i % 10) + ">");
    for (auto _ : state) {
        state.PauseTiming();
        s.ex.Cache().Clear();
        state.ResumeTiming();
        for (const AnsiString& t : texts)
            benchmark::DoNotOptimize(s.ex.Calc(t));
    }
    if (s.ex.Cache().Count() != n)
        state.SkipWithError("not every expression was cached");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
    state.SetComplexityN(n);
}
BENCHMARK(BM_CompileExpressions)->Arg(250)->Arg(1000)->Arg(4000)->Arg(16000)->Complexity();

} // namespace

BENCHMARK_MAIN();
