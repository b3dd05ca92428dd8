// Template loading speed: an XML document alone and a whole template read
// into a report, for templates of growing size. Equal bytes per second
// across the sizes show that loading is linear in the template size.
#include "report/model/bands.h"
#include "report/model/dataset.h"
#include "report/model/pages.h"
#include "report/model/report.h"
#include "report/model/serializer.h"
#include "report/model/views.h"

#include <benchmark/benchmark.h>

namespace {

using namespace kanvo;

// A template of about `size` bytes: pages of data bands of framed memos,
// each memo referencing a dataset and the one before it.
std::string MakeTemplate(size_t size) {
    RegisterReportModelClasses();
    TfrxReport report;
    auto* data = TfrxComponent::Create<TfrxDataPage>(&report);
    data->SetName("Data");
    auto* ds = TfrxComponent::Create<TfrxUserDataSet>(data);
    ds->SetName("DataSet1");
    report.DataSets.Add().DataSet.Set(ds);
    int n = 0;
    TMemoryStream probe;
    size_t estimate = 0;
    while (estimate < size) {
        auto* page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page" + std::to_string(report.PageCount()));
        for (int b = 0; b < 20 && estimate < size; ++b) {
            auto* band = TfrxComponent::Create<TfrxMasterData>(page);
            band->SetName("Band" + std::to_string(++n));
            band->SetBounds(0, 20.5 * b, 718.1107, 18.89765);
            TfrxMemoView* previous = nullptr;
            for (int m = 0; m < 10; ++m) {
                auto* memo = TfrxComponent::Create<TfrxMemoView>(band);
                memo->SetName("Memo" + std::to_string(++n));
                memo->SetBounds(70.5 * m, 0, 68.03154, 18.89765);
                memo->Memo = {u"[DataSet1.\"field\"] \u017Elu\u0165ou\u010Dk\u00FD"};
                memo->SetDataSet(ds);
                memo->SetFlowTo(previous);
                memo->Frame.Typ = 15;
                memo->HAlign = TfrxHAlign::haRight;
                previous = memo;
                estimate += 260;
            }
        }
    }
    TMemoryStream out;
    report.SaveToStream(out);
    return out.Bytes();
}

void BM_XmlDocumentLoad(benchmark::State& state) {
    std::string bytes = MakeTemplate(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        TMemoryStream in{bytes};
        TfrxXMLDocument doc;
        doc.LoadFromStream(in);
        benchmark::DoNotOptimize(doc.Root().Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["template_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_XmlDocumentLoad)
    ->Arg(16 << 10)
    ->Arg(1 << 20)
    ->Arg(2 << 20)
    ->Arg(5 << 20)
    ->Unit(benchmark::kMillisecond);

void BM_TemplateLoad(benchmark::State& state) {
    std::string bytes = MakeTemplate(static_cast<size_t>(state.range(0)));
    TfrxReport report;
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    for (auto _ : state) {
        TMemoryStream in{bytes};
        report.LoadFromStream(in);
        benchmark::DoNotOptimize(report.PageCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["template_bytes"] = static_cast<double>(bytes.size());
    state.counters["objects"] = static_cast<double>(report.AllObjects().size());
}
BENCHMARK(BM_TemplateLoad)
    ->Arg(16 << 10)
    ->Arg(1 << 20)
    ->Arg(2 << 20)
    ->Arg(5 << 20)
    ->Unit(benchmark::kMillisecond);

void BM_TemplateSave(benchmark::State& state) {
    std::string bytes = MakeTemplate(static_cast<size_t>(state.range(0)));
    TfrxReport report;
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    TMemoryStream in{bytes};
    report.LoadFromStream(in);
    for (auto _ : state) {
        TMemoryStream out;
        report.SaveToStream(out);
        benchmark::DoNotOptimize(out.Size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_TemplateSave)
    ->Arg(16 << 10)
    ->Arg(1 << 20)
    ->Arg(5 << 20)
    ->Unit(benchmark::kMillisecond);

} // namespace
