// Writing a large PDF through the document writer with the file cache: time,
// and the process's peak RSS (getrusage) as a counter, which must stay flat as
// the page count grows.
#include "pdf/pdf_file.h"
#include "platform/files.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <sys/resource.h>

namespace kanvo {
namespace {

struct A4 : IPdfExportPage {
    double Width() const override { return 793.7; }
    double Height() const override { return 1122.5; }
    double LeftMargin() const override { return 10; }
    double TopMargin() const override { return 10; }
};

void BM_WriteSample(benchmark::State& state) {
    const int pages = static_cast<int>(state.range(0));
    AnsiString file = TempFolder() + "/kanvo-bench-pdf.pdf";
    A4 page;
    for (auto _ : state) {
        // The writer as the filter sets it up: file cache past 200 pages.
        TfrxPDFFile pdf(pages > 200, "");
        pdf.PrepareSecurity();
        for (int p = 0; p < pages; ++p) {
            TfrxPDFPage& out = pdf.AddPage(page);
            out.WriteLine("q");
            out.WriteLine(FormatNumber(out.X(100)) + " " + FormatNumber(out.Y(250)) +
                          " 225.00 112.50 re");
            out.WriteLine("S");
            out.WriteLine(FormatNumber(out.X(100)) + " " + FormatNumber(out.Y(300)) + " m");
            out.WriteLine(FormatNumber(out.X(400)) + " " + FormatNumber(out.Y(450)) + " l");
            out.WriteLine("S");
            out.WriteLine("Q");
        }
        std::ofstream stream(NativePath(file), std::ios::binary | std::ios::trunc);
        pdf.SaveToStream(stream);
    }
    DeleteFile(file);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_kb"] = static_cast<double>(usage.ru_maxrss);
}
BENCHMARK(BM_WriteSample)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kanvo
