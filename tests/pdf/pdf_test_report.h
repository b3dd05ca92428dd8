// Shared pieces of the PDF tests: a page geometry for the writer, and a
// one-band report prepared on one page for the export runs.
#pragma once

#include "pdf/export_interfaces.h"
#include "report/engine/prepared_pages.h"
#include "report/model/bands.h"
#include "report/model/pages.h"

#include <functional>
#include <memory>

namespace kanvo::test {

// 800 x 1000 pixels, margins 10 and 20 mm: X(x) = 0.75 x + 0.5,
// Y(y) = 749 - 0.75 y.
struct Page : IPdfExportPage {
    double Width() const override { return 800; }
    double Height() const override { return 1000; }
    double LeftMargin() const override { return 10; }
    double TopMargin() const override { return 20; }
};

// An A4 page with 10 mm margins and one master band (at 60, 300 high).
class OneBandReport {
public:
    OneBandReport() {
        RegisterReportModelClasses();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
        page->ResetToPrinterDefaults();
        page->UpdateDimensions();
        band = TfrxComponent::Create<TfrxMasterData>(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 60, 718, 300);
    }
    template <typename T>
    T* Add(const char* name, double left, double top, double width, double height) {
        T* view = TfrxComponent::Create<T>(band);
        view->SetName(name);
        view->SetBounds(left, top, width, height);
        return view;
    }
    // The band printed once on one prepared page; `beforeEnd` may add to the
    // pages (an outline item) before the run ends.
    TfrxPreviewPages& Prepare(const std::function<void(TfrxPreviewPages&)>& beforeEnd = {}) {
        pages_ = std::make_unique<TfrxPreviewPages>(&report);
        TfrxRunState run{true, true, false, 0, 0};
        pages_->Engine = &run;
        pages_->BeginRun();
        pages_->RegisterSourcePage(*page);
        pages_->OpenPage(*page);
        pages_->PutObject(*band);
        if (beforeEnd)
            beforeEnd(*pages_);
        run.Running = false;
        pages_->EndRun();
        pages_->Engine = nullptr;
        return *pages_;
    }

    TfrxReport report;
    TfrxReportPage* page = nullptr;
    TfrxBand* band = nullptr;

private:
    std::unique_ptr<TfrxPreviewPages> pages_;
};

} // namespace kanvo::test
