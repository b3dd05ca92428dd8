// pruh pdf-sample: a document of simple pages written through the export
// filter, so real PDF readers can check the file structure and protection.
#include "pdf/pdf_export.h"
#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "tools/pruh_commands.h"

#include <iostream>

namespace kanvo::pruh {
namespace {

struct A4Page : IPdfExportPage {
    double Width() const override { return 793.7; }
    double Height() const override { return 1122.5; }
    double LeftMargin() const override { return 10; }
    double TopMargin() const override { return 10; }
};

struct SampleOutline : IPdfExportOutline {
    int pages = 0;
    int level = 0; // 0 root, 1 inside a page entry
    int current = 0;
    int Count() const override { return level == 0 ? pages : level == 1 ? 1 : 0; }
    void GetItem(int index, WideString& text, int& pageIndex, int& top) const override {
        if (level == 0) {
            text = Utf8ToWide("Strana " + std::to_string(index + 1));
            pageIndex = index;
            top = 0;
        } else {
            text = Utf8ToWide("Rámeček (strana " + std::to_string(current + 1) + ")");
            pageIndex = current;
            top = 100;
        }
    }
    void LevelDown(int index) override {
        if (level == 0)
            current = index;
        ++level;
    }
    void LevelUp() override { --level; }
    void LevelRoot() override { level = 0; }
};

struct SampleReport : IPdfExportReport {
    int pages = 0;
    SampleOutline outline;
    int PreparedPageCount() const override { return pages; }
    AnsiString TempDir() const override { return {}; }
    AnsiString FileName() const override { return {}; }
    AnsiString ReportName() const override { return {}; }
    TfrxSilentMode NewSilentMode() const override { return TfrxSilentMode::simReThrow; }
    IPdfExportOutline* Outline() override { return &outline; }
    void AddError(const AnsiString&) override {}
    void ShowMessageBox(const AnsiString&, const AnsiString&) override {}
};

int Sample(const std::vector<std::string>& args) {
    if (args.empty())
        return UsageError("pdf-sample");
    TfrxPDFExport pdf;
    pdf.ShowDialog = false;
    pdf.ShowProgress = false;
    SampleReport report;
    report.pages = 1;
    pdf.FileName = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--pages" && hasValue) {
            report.pages = std::atoi(args[++i].c_str());
            if (report.pages < 0 || report.pages > 10000000) {
                std::cerr << "pdf-sample: bad page count\n";
                return 2;
            }
        } else if (a == "--outline") {
            pdf.Outline = true;
        } else if (a == "--user-password" && hasValue) {
            pdf.UserPassword = args[++i];
        } else if (a == "--owner-password" && hasValue) {
            pdf.OwnerPassword = args[++i];
        } else if (a == "--flags" && hasValue) {
            std::string list = args[++i] + ",";
            pdf.ProtectionFlags = 0;
            for (size_t p = 0, c; (c = list.find(',', p)) != std::string::npos; p = c + 1) {
                std::string f = list.substr(p, c - p);
                if (f == "print")
                    pdf.ProtectionFlags |= ePrint;
                else if (f == "modify")
                    pdf.ProtectionFlags |= eModify;
                else if (f == "copy")
                    pdf.ProtectionFlags |= eCopy;
                else if (f == "annot")
                    pdf.ProtectionFlags |= eAnnot;
                else if (!f.empty()) {
                    std::cerr << "pdf-sample: unknown flag \"" << f << "\"\n";
                    return 2;
                }
            }
        } else if (a == "--no-compress") {
            pdf.Compressed = false;
        } else if (a == "--deterministic") {
            pdf.FixedDate = EncodeDate(2024, 1, 2) + EncodeTime(3, 4, 5, 0);
            pdf.FixedGuid = "{00000000-0000-0000-0000-000000000000}";
        } else {
            return UsageError("pdf-sample");
        }
    }
    report.outline.pages = report.pages;
    pdf.Report = &report;
    pdf.Title = Utf8ToWide("Ukázka");
    try {
        if (!pdf.BeginExport())
            return 1;
        A4Page page;
        for (int p = 0; p < report.pages; ++p) {
            pdf.BeginPage(page, p);
            TfrxPDFPage& out = *pdf.CurrentPage();
            // A framed rectangle and a diagonal line, as the graphics path writes them.
            double l = 100, t = 100, w = 300, h = 150;
            out.WriteLine("q");
            out.WriteLine("0.90 0.90 1.00 rg");
            out.WriteLine("0.00 0.00 0.00 RG");
            out.WriteLine("1.00 w");
            out.WriteLine(FormatNumber(out.X(l)) + " " + FormatNumber(out.Y(t + h)) + " " +
                          FormatNumber(w * 0.75) + " " + FormatNumber(h * 0.75) + " re");
            out.WriteLine("B");
            out.WriteLine(FormatNumber(out.X(l)) + " " + FormatNumber(out.Y(t + h + 50)) + " m");
            out.WriteLine(FormatNumber(out.X(l + w)) + " " + FormatNumber(out.Y(t + h + 200)) +
                          " l");
            out.WriteLine("S");
            out.WriteLine("Q");
            pdf.EndPage(page, p);
        }
        pdf.EndExport();
    } catch (const Exception& e) {
        std::cerr << e.Message() << "\n";
        return 1;
    }
    return 0;
}

PruhCommand pdfSample{"pdf-sample",
                      "OUT.pdf [--pages N] [--outline] [--user-password P] [--owner-password P] "
                      "[--flags print,modify,copy,annot] [--no-compress] [--deterministic]",
                      "write a sample PDF of framed pages", Sample};

} // namespace
} // namespace kanvo::pruh
