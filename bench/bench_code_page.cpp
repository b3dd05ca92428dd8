// Conversion speed of the code-page layer: 8-bit <-> UTF-16 <-> UTF-8.
#include "platform/code_page.h"

#include <benchmark/benchmark.h>

namespace {

std::string SampleText(size_t size) {
    const std::string word = "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2 \xFAp\xECl ";
    std::string text;
    while (text.size() < size)
        text += word;
    return text;
}

void BM_AnsiToWide1250(benchmark::State& state) {
    std::string text = SampleText(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(kanvo::AnsiToWide(text, 1250));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_AnsiToWide1250)->Arg(1 << 10)->Arg(1 << 20);

void BM_WideToAnsi1250(benchmark::State& state) {
    auto wide = kanvo::AnsiToWide(SampleText(static_cast<size_t>(state.range(0))), 1250);
    for (auto _ : state)
        benchmark::DoNotOptimize(kanvo::WideToAnsi(wide, 1250));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_WideToAnsi1250)->Arg(1 << 10)->Arg(1 << 20);

void BM_AnsiUpperCase1250(benchmark::State& state) {
    std::string text = SampleText(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(kanvo::AnsiUpperCase(text, 1250));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_AnsiUpperCase1250)->Arg(1 << 20);

void BM_AnsiToWide932(benchmark::State& state) {
    std::string text(static_cast<size_t>(state.range(0)), 'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(kanvo::AnsiToWide(text, 932));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_AnsiToWide932)->Arg(1 << 20);

} // namespace
