// pruh pdf-sample: prepared pages of a small report exported through the PDF
// filter, so real PDF readers can check the file structure, the graphics and
// the protection.
#include "pdf/pdf_export.h"
#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "report/engine/prepared_pages.h"
#include "report/model/bands.h"
#include "report/model/pages.h"
#include "report/model/report.h"
#include "report/model/views.h"
#include "tools/pruh_commands.h"

#include <iostream>

namespace kanvo::pruh {
namespace {

// A report of one page whose band holds a framed, filled memo with a drop
// shadow, a line with a solid arrow head, a rectangle shape and a diagonal.
struct SampleReport {
    TfrxReport report;
    TfrxReportPage* page = nullptr;
    TfrxBand* band = nullptr;

    SampleReport() {
        RegisterReportModelClasses();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
        page->ResetToPrinterDefaults();
        page->UpdateDimensions();
        band = TfrxComponent::Create<TfrxMasterData>(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 60, 718, 400);
        auto* memo = TfrxComponent::Create<TfrxMemoView>(band);
        memo->SetName("Memo1");
        memo->SetBounds(100, 40, 300, 150);
        memo->SetText(u"Ukázka");
        memo->Color = 0xFFE6E6; // light blue
        memo->Frame.Typ = ftLeft | ftRight | ftTop | ftBottom;
        memo->Frame.DropShadow = true;
        auto* line = TfrxComponent::Create<TfrxLineView>(band);
        line->SetName("Line1");
        line->SetBounds(100, 240, 300, 150);
        line->ArrowEnd = true;
        line->ArrowSolid = true;
        auto* shape = TfrxComponent::Create<TfrxShapeView>(band);
        shape->SetName("Shape1");
        shape->SetBounds(450, 40, 200, 100);
        shape->Color = 0x00CCFF; // orange
        shape->Frame.SetColor(0x0000C0);
        shape->Frame.SetWidth(2);
        auto* diagonal = TfrxComponent::Create<TfrxShapeView>(band);
        diagonal->SetName("Shape2");
        diagonal->SetBounds(450, 160, 200, 100);
        diagonal->Shape = TfrxShapeKind::skDiagonal1;
    }

    // Prepared pages of `count` copies of the page; with `outline` each page
    // gets an entry with one sub-entry.
    void Prepare(TfrxPreviewPages& pages, int count, bool outline) {
        TfrxRunState run{true, true, false, 0, 0};
        pages.Engine = &run;
        pages.BeginRun();
        pages.RegisterSourcePage(*page);
        for (int p = 0; p < count; ++p) {
            pages.OpenPage(*page);
            pages.PutObject(*band);
            if (outline) {
                TfrxOutline& o = pages.Outline();
                o.AddItem(WideToAnsi(Utf8ToWide("Strana " + std::to_string(p + 1))), 0);
                o.AddItem(WideToAnsi(Utf8ToWide("Rámeček (strana " + std::to_string(p + 1) + ")")),
                          100);
                o.LevelUp();
                o.LevelUp();
            }
        }
        run.Running = false;
        pages.EndRun();
        pages.Engine = nullptr;
    }
};

int Sample(const std::vector<std::string>& args) {
    if (args.empty())
        return UsageError("pdf-sample");
    TfrxPDFExport pdf;
    pdf.ShowDialog = false;
    pdf.ShowProgress = false;
    int pageCount = 1;
    pdf.FileName = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--pages" && hasValue) {
            pageCount = std::atoi(args[++i].c_str());
            if (pageCount < 0 || pageCount > 10000000) {
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
    pdf.Title = Utf8ToWide("Ukázka");
    SampleReport sample;
    TfrxPreviewPages pages(&sample.report);
    sample.Prepare(pages, pageCount, pdf.Outline);
    bool written = pages.ExportTo(pdf);
    if (!written || !sample.report.Errors.empty() || pdf.FileNames.empty()) {
        std::cerr << sample.report.ErrorText() << "\n";
        return 1;
    }
    return 0;
}

PruhCommand pdfSample{"pdf-sample",
                      "OUT.pdf [--pages N] [--outline] [--user-password P] [--owner-password P] "
                      "[--flags print,modify,copy,annot] [--no-compress] [--deterministic]",
                      "write a sample PDF of framed pages, lines and shapes", Sample};

} // namespace
} // namespace kanvo::pruh
