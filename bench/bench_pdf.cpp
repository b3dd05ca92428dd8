// Writing a large PDF with the file cache: time, and the process's peak RSS
// (getrusage) as a counter, which must stay flat as the page count grows.
#include "pdf/pdf_export.h"
#include "platform/files.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace kanvo {
namespace {

struct A4 : IPdfExportPage {
    double Width() const override { return 793.7; }
    double Height() const override { return 1122.5; }
    double LeftMargin() const override { return 10; }
    double TopMargin() const override { return 10; }
};

struct Report : IPdfExportReport {
    int pages = 0;
    int PreparedPageCount() const override { return pages; }
    AnsiString TempDir() const override { return {}; }
    AnsiString FileName() const override { return {}; }
    AnsiString ReportName() const override { return {}; }
    TfrxSilentMode NewSilentMode() const override { return TfrxSilentMode::simReThrow; }
    IPdfExportOutline* Outline() override { return nullptr; }
    void AddError(const AnsiString&) override {}
    void ShowMessageBox(const AnsiString&, const AnsiString&) override {}
};

void BM_WriteSample(benchmark::State& state) {
    Report report;
    report.pages = static_cast<int>(state.range(0));
    AnsiString file = TempFolder() + "/kanvo-bench-pdf.pdf";
    A4 page;
    for (auto _ : state) {
        TfrxPDFExport pdf;
        pdf.Report = &report;
        pdf.FileName = file;
        pdf.BeginExport();
        for (int p = 0; p < report.pages; ++p) {
            pdf.BeginPage(page, p);
            TfrxPDFPage& out = *pdf.CurrentPage();
            out.WriteLine("q");
            out.WriteLine(FormatNumber(out.X(100)) + " " + FormatNumber(out.Y(250)) +
                          " 225.00 112.50 re");
            out.WriteLine("S");
            out.WriteLine(FormatNumber(out.X(100)) + " " + FormatNumber(out.Y(300)) + " m");
            out.WriteLine(FormatNumber(out.X(400)) + " " + FormatNumber(out.Y(450)) + " l");
            out.WriteLine("S");
            out.WriteLine("Q");
        }
        pdf.EndExport();
    }
    DeleteFile(file);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_kb"] = static_cast<double>(usage.ru_maxrss);
}
BENCHMARK(BM_WriteSample)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kanvo
