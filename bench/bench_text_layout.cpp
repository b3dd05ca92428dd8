// Speed of the text layout: laid-out lines per second for long memo texts.
// Measuring goes through the font service's cached advances; the faces and
// advance tables are warmed up before timing starts.
#include "platform/graphics/canvas.h"
#include "report/engine/draw_text.h"

#include <benchmark/benchmark.h>

namespace {

using kanvo::TfrxDrawText;
using kanvo::WideString;

std::vector<WideString> SourceLines(int count) {
    const WideString samples[] = {u"Smluvní strany se dohodly na následujících podmínkách dodávky",
                                  u"Cena díla je stanovena dohodou a činí celkem 12 345,00 Kč",
                                  u"Příliš žluťoučký kůň úpěl ďábelské ódy",
                                  u"Objednatel se zavazuje dílo převzít a zaplatit"};
    std::vector<WideString> lines;
    lines.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        lines.push_back(samples[i % 4]);
    return lines;
}

void Configure(TfrxDrawText& dt, bool html) {
    kanvo::FontSpec font;
    font.name = "Arial";
    font.size = 10;
    dt.AssignFont(font);
    dt.ConfigureOptions(true, html, 0, true, false, false, false);
    dt.ConfigureSpacing(2, 0, 0);
    dt.ConfigureArea({0, 0, 250, 1000000}, {0, 0, 250, 1000000}, 1, 1, 1);
}

void BM_LayoutText(benchmark::State& state) {
    std::vector<WideString> lines = SourceLines(static_cast<int>(state.range(0)));
    TfrxDrawText dt;
    Configure(dt, state.range(1) != 0);
    dt.LayoutText(SourceLines(8)); // warm the caches
    size_t laidOut = 0;
    for (auto _ : state) {
        dt.LayoutText(lines);
        laidOut += dt.LineCount();
        benchmark::DoNotOptimize(dt.LaidOutHeight());
    }
    state.counters["laid_out_lines"] = static_cast<double>(dt.LineCount());
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(laidOut), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LayoutText)
    ->Args({1000, 0})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

// Drawing one memo of 20 lines on a bitmap at scale 1.
void BM_DrawMemo(benchmark::State& state) {
    TfrxDrawText dt;
    Configure(dt, false);
    dt.ConfigureArea({0, 0, 250, 400}, {0, 0, 250, 400}, 1, 1, 1);
    dt.LayoutText(SourceLines(10));
    auto bitmap = kanvo::Bitmap::Create(250, 400);
    kanvo::CairoCanvas canvas(*bitmap);
    for (auto _ : state)
        dt.DrawLaidOut(canvas, kanvo::TextHAlign::Block, kanvo::TextVAlign::Top);
    state.counters["lines_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations() * dt.LineCount()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawMemo);

} // namespace
