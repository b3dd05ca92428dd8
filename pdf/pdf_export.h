// The PDF export filter. It owns the document writer from BeginExport to
// EndExport; the report, the prepared pages and the output stream are
// borrowed. The prepared pages' export run drives it
// (TfrxPreviewPages::ExportTo); a caller may also drive it by hand with
// Report (and optionally Pages) set.
#pragma once

#include "pdf/export_interfaces.h"
#include "pdf/pdf_file.h"
#include "report/engine/export_filter.h"

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

namespace kanvo {

class TfrxReportPage;

// A report page's size and margins as the writer reads them.
class PdfReportPage : public IPdfExportPage {
public:
    explicit PdfReportPage(const TfrxReportPage& page) : page_(page) {}
    double Width() const override;
    double Height() const override;
    double LeftMargin() const override;
    double TopMargin() const override;

private:
    const TfrxReportPage& page_;
};

class TfrxOutline;
class TfrxXMLItem;

// The prepared pages' outline ("item" elements with text, page and top) as
// the writer walks it. It keeps its own position and leaves the outline's
// current item alone.
class PdfPreparedOutline : public IPdfExportOutline {
public:
    explicit PdfPreparedOutline(TfrxOutline& outline);
    int Count() const override;
    void GetItem(int index, WideString& text, int& pageIndex, int& top) const override;
    void LevelDown(int index) override;
    void LevelUp() override;
    void LevelRoot() override;

private:
    TfrxOutline& outline_;
    TfrxXMLItem* current_;
};

class TfrxPDFExport : public TfrxCustomExportFilter {
public:
    TfrxPDFExport();
    ~TfrxPDFExport() override;
    AnsiString FilterTitle() const override;
    int ShowOptionsDialog() override;
    bool BeginExport() override;
    void BeginPage(TfrxReportPage& page, int index) override;
    // Views (printable ones, or all with ExportNotPrintable) go to the
    // current page; bands and other objects are ignored.
    void ExportView(TfrxReportComponent& object) override;
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
    std::unique_ptr<PdfPreparedOutline> outline_;
    TfrxPDFPage* page_ = nullptr;
};

// True when the name carries its own folder ("/", and the "\" or ":" of
// names written on Windows).
bool HasFolderPart(const AnsiString& fileName);

} // namespace kanvo
