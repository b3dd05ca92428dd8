// The PDF export filter. It owns the document writer from BeginExport to
// EndExport; the report and the output stream are borrowed.
#pragma once

#include "pdf/export_interfaces.h"
#include "pdf/pdf_file.h"

#include <memory>
#include <ostream>
#include <vector>

namespace kanvo {

class TfrxCustomExportFilter {
public:
    TfrxCustomExportFilter();
    virtual ~TfrxCustomExportFilter();
    TfrxCustomExportFilter(const TfrxCustomExportFilter&) = delete;
    TfrxCustomExportFilter& operator=(const TfrxCustomExportFilter&) = delete;

    virtual AnsiString FilterTitle() const { return {}; }
    virtual int ShowOptionsDialog() { return 1; }
    virtual bool BeginExport() { return true; }
    virtual void ExportView(const IPdfExportObject& object) = 0;
    virtual void EndExport() {}
    virtual void EndPage(const IPdfExportPage&, int) {}
    virtual void BeginPage(const IPdfExportPage&, int) {}

    bool ShowDialog = true;
    AnsiString FileName;
    bool ExportNotPrintable = false;
    bool UseFileCache = true;
    AnsiString DefaultPath;
    bool ShowProgress = true;
    bool OverwritePrompt = false;
    bool CurPage = false;
    AnsiString PageNumbers;
    IPdfExportReport* Report = nullptr;
    std::ostream* Stream = nullptr;
    bool NestedExport = false;
    AnsiString DefaultExt, DialogFilter;
    std::vector<AnsiString> FileNames;
};

// Every filter alive, in creation order.
const std::vector<TfrxCustomExportFilter*>& ExportFilters();

class TfrxPDFExport : public TfrxCustomExportFilter {
public:
    TfrxPDFExport();
    ~TfrxPDFExport() override;
    AnsiString FilterTitle() const override;
    int ShowOptionsDialog() override;
    bool BeginExport() override;
    void BeginPage(const IPdfExportPage& page, int index) override;
    void ExportView(const IPdfExportObject& object) override;
    void EndExport() override;

    // The current page, for writers that draw on it; null outside a page.
    TfrxPDFPage* CurrentPage() { return page_; }
    TfrxPDFFile* Writer() { return pdf_.get(); }

    bool Compressed = true, EmbeddedFonts = false, OpenAfterExport = false, PrintOptimized = false;
    bool Outline = false, Background = false, HTMLTags = true;
    WideString Title, Author = u"Pruh", Subject = u"Pruh PDF export", Keywords, Creator, Producer;
    AnsiString UserPassword, OwnerPassword;
    TfrxPDFEncBits ProtectionFlags = kAllPdfEncBits;
    bool HideToolbar = false, HideMenubar = false, HideWindowUI = false, FitWindow = false,
         CenterWindow = false, PrintScaling = false;
    // Test switches handed to the writer (fixed date and GUID text).
    std::optional<TDateTime> FixedDate;
    std::optional<std::string> FixedGuid;

private:
    std::unique_ptr<TfrxPDFFile> pdf_;
    TfrxPDFPage* page_ = nullptr;
};

// True when the name carries its own folder ("/", and the "\" or ":" of
// names written on Windows).
bool HasFolderPart(const AnsiString& fileName);

} // namespace kanvo
