// The base of every export filter. The prepared pages' export run
// (TfrxPreviewPages::ExportTo) sets Report and Pages and calls, in order:
// ShowOptionsDialog (when ShowDialog), BeginExport, then per exported page
// BeginPage, ExportView for the page background object, each band and each
// object on a band, EndPage, and at last EndExport.
//
// A filter enters the process-wide list ExportFilters() when it is created
// and leaves it when it is destroyed. Report, Pages and Stream are borrowed.
#pragma once

#include "platform/text_types.h"

#include <algorithm>
#include <ostream>
#include <vector>

namespace kanvo {

class TfrxReport;
class TfrxReportPage;
class TfrxReportComponent;
class TfrxPreviewPages;

class TfrxCustomExportFilter {
public:
    TfrxCustomExportFilter() { Registry().push_back(this); }
    virtual ~TfrxCustomExportFilter() {
        auto& list = Registry();
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    TfrxCustomExportFilter(const TfrxCustomExportFilter&) = delete;
    TfrxCustomExportFilter& operator=(const TfrxCustomExportFilter&) = delete;

    // The name shown in export menus; empty for the base.
    virtual AnsiString FilterTitle() const { return {}; }
    // 1 (OK) continues the export.
    virtual int ShowOptionsDialog() { return 1; }
    // False: nothing is exported (and EndExport is not called).
    virtual bool BeginExport() { return true; }
    virtual void BeginPage(TfrxReportPage&, int /*index*/) {}
    // The page background, each band and each object directly inside a band.
    virtual void ExportView(TfrxReportComponent& object) = 0;
    virtual void EndPage(TfrxReportPage&, int /*index*/) {}
    virtual void EndExport() {}

    bool ShowDialog = true;
    AnsiString FileName;
    bool ExportNotPrintable = false;
    bool UseFileCache = true;
    AnsiString DefaultPath;
    bool ShowProgress = true;
    bool OverwritePrompt = false;
    bool CurPage = false;
    AnsiString PageNumbers; // "1,3-5"; empty: all pages
    TfrxReport* Report = nullptr;
    // The pages being exported (page count, outline); set by the export run.
    TfrxPreviewPages* Pages = nullptr;
    // A caller-supplied output; when set no file is created or opened.
    std::ostream* Stream = nullptr;
    bool NestedExport = false;
    AnsiString DefaultExt, DialogFilter;
    std::vector<AnsiString> FileNames; // the files this filter produced

    static std::vector<TfrxCustomExportFilter*>& Registry() {
        static std::vector<TfrxCustomExportFilter*> list;
        return list;
    }
};

// Every filter alive, in creation order.
inline const std::vector<TfrxCustomExportFilter*>& ExportFilters() {
    return TfrxCustomExportFilter::Registry();
}

} // namespace kanvo
