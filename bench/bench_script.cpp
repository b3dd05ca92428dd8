// Evaluation speed of a compiled memo expression: a dataset field through an
// angle-bracket Get, FormatFloat and a concatenation, as a memo of a contract
// line prints it. The expression is compiled once, as the expression cache
// does; each iteration only runs it.
#include "platform/format_settings.h"
#include "script/script.h"

#include <benchmark/benchmark.h>

namespace {

void BM_MemoExpression(benchmark::State& state) {
    kanvo::ScopedFormatSettings locale(kanvo::FormatSettings::ForLocale("cs_CZ.UTF-8"));
    kanvo::TfsScript report;
    report.AddMethod("function Get(Name: String): Variant",
                     [](const kanvo::AnsiString&, std::vector<kanvo::Variant>&) {
                         return kanvo::Variant(12345.678);
                     });
    kanvo::TfsScript cache(&report);
    cache.SetLines("function fr3f0: Variant; begin Result := 'Cena: ' + "
                   "FormatFloat('#,##0.00', <frxDBDataset1.\"cena\">) + ' K\xE8' end; begin end.");
    if (!cache.Compile()) {
        state.SkipWithError(cache.ErrorMsg().c_str());
        return;
    }
    const kanvo::ScriptRoutine* f = cache.FindFunction("fr3f0");
    std::vector<kanvo::Variant> none;
    for (auto _ : state)
        benchmark::DoNotOptimize(cache.Call(f, none));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_MemoExpression)->Iterations(1000000);

void BM_ScriptLoop(benchmark::State& state) {
    kanvo::TfsScript script;
    script.SetLines("var i, s: Integer; begin s := 0; for i := 1 to 100000 do s := s + i mod 7 end.");
    if (!script.Compile()) {
        state.SkipWithError(script.ErrorMsg().c_str());
        return;
    }
    for (auto _ : state)
        script.Execute();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 100000);
}
BENCHMARK(BM_ScriptLoop);

} // namespace

BENCHMARK_MAIN();
