// pruh preview: a template's run shown in the preview window.
#include "pdf/pdf_raster.h"
#include "platform/exception.h"
#include "platform/graphics/canvas.h"
#include "platform/gui/preview_window.h"
#include "report/engine/engine.h"
#include "report/engine/page_drawing.h"
#include "report/model/dataset.h"
#include "report/rich/rich_view.h"
#include "tools/pruh_commands.h"

#include <cstdio>
#include <string>

namespace kanvo::pruh {
namespace {

// Runs a template with stand-ins for the kanvo form's data sources (no rows).
struct TemplateRun {
    explicit TemplateRun(const std::string& path) {
        RegisterRichClasses();
        for (auto [ds, name] : {std::pair{&company, "frxDBDataset1"}, {&order, "frxDBDataset2"}}) {
            ds->SetName(name);
            ds->SetUserName(name);
            ds->RangeEnd = TfrxRangeEnd::reCount;
            report.AddHostComponent(ds);
        }
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        report.LoadFromFile(path, true);
    }
    void PrintErrors() const {
        for (const AnsiString& e : report.Errors)
            std::fprintf(stderr, "%s\n", e.c_str());
    }
    TfrxUserDataSet company, order;
    TfrxReport report;
    TfrxReportRun run{report};
};

PruhCommand pagePng{
    "page-png", "TEMPLATE PAGE OUT.png [SCALE]",
    "run a report template and draw prepared page PAGE (from 1) into a PNG as the preview does",
    [](const std::vector<std::string>& args) {
        if (args.size() < 3 || args.size() > 4)
            return UsageError("page-png");
        try {
            TemplateRun t(args[0]);
            if (!t.run.BuildReport()) {
                t.PrintErrors();
                return 1;
            }
            const int page = std::stoi(args[1]) - 1;
            const double scale = args.size() == 4 ? std::stod(args[3]) : 1.0;
            TfrxPreviewPages& pages = t.run.PreparedPages();
            if (page < 0 || page >= pages.Count()) {
                std::fprintf(stderr, "the report has %d pages\n", pages.Count());
                return 1;
            }
            auto [w, h] = pages.PagePixelSize(page);
            auto bitmap = Bitmap::Create(static_cast<int>(w * scale), static_cast<int>(h * scale));
            {
                CairoCanvas canvas(*bitmap);
                DrawPreparedPage(*pages.BuildPage(page), canvas, scale, 0, 0, pages.Count(),
                                 PaintPreviewView);
                canvas.Finish();
            }
            bitmap->SavePng(args[2]);
            return 0;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }};

PruhCommand preview{
    "preview", "TEMPLATE",
    "run a report template (the kanvo form's data sources stand in without rows) and show its "
    "pages in the preview window; exit status 2 without a display",
    [](const std::vector<std::string>& args) {
        if (args.size() != 1)
            return UsageError("preview");
        try {
            TemplateRun t(args[0]);
            bool shown = false;
            t.run.OnShowPreview = [&](TfrxReportRun& r) {
                shown =
                    ShowPreviewWindow({r.Report().ReportOptions.Name,
                                       ViewOfPreparedPages(r.PreparedPages(), PaintPreviewView)});
            };
            if (!t.run.ShowReport(true)) {
                t.PrintErrors();
                return 1;
            }
            return shown ? 0 : 2;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }};

} // namespace
} // namespace kanvo::pruh
