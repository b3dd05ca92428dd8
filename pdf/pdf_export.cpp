#include "pdf/pdf_export.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "report/engine/prepared_pages.h"
#include "report/model/pages.h"
#include "report/model/report.h"
#include "report/model/resources.h"
#include "report/model/views.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace kanvo {
namespace {

// Opens the file with the desktop's "open" action without waiting for it.
void ShellOpen(const AnsiString& path) {
    std::string native = NativePath(path);
    const char* argv[] = {"/bin/sh", "-c",           "xdg-open \"$1\" >/dev/null 2>&1 &",
                          "sh",      native.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

// The report's error box (caption "mbError") with this one message; the
// report's error list is left as it was.
void ShowErrorBox(TfrxReport& report, const AnsiString& message) {
    std::set<AnsiString> kept;
    kept.swap(report.Errors);
    TfrxSilentMode mode = report.EngineOptions.NewSilentMode;
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simMessageBoxes;
    report.AddError(message);
    try {
        report.ReportErrors();
    } catch (...) {
        report.Errors.swap(kept);
        report.EngineOptions.NewSilentMode = mode;
        throw;
    }
    report.Errors.swap(kept);
    report.EngineOptions.NewSilentMode = mode;
}

AnsiString ExtractFileName(const AnsiString& path) {
    size_t slash = path.find_last_of("/\\:");
    return slash == AnsiString::npos ? path : path.substr(slash + 1);
}

} // namespace

double PdfReportPage::Width() const {
    return page_.Width();
}
double PdfReportPage::Height() const {
    return page_.Height();
}
double PdfReportPage::LeftMargin() const {
    return page_.LeftMargin;
}
double PdfReportPage::TopMargin() const {
    return page_.TopMargin;
}

PdfPreparedOutline::PdfPreparedOutline(TfrxOutline& outline)
    : outline_(outline), current_(&outline.Root()) {}

int PdfPreparedOutline::Count() const {
    return current_->Count();
}

void PdfPreparedOutline::GetItem(int index, WideString& text, int& pageIndex, int& top) const {
    const TfrxXMLItem& item = *current_->Items(index);
    text = AnsiToWide(item.Attribute("text"));
    pageIndex = std::atoi(item.Attribute("page").c_str());
    top = std::atoi(item.Attribute("top").c_str());
}

void PdfPreparedOutline::LevelDown(int index) {
    current_ = current_->Items(index);
}

void PdfPreparedOutline::LevelUp() {
    if (current_ != &outline_.Root() && current_->Parent() != nullptr)
        current_ = current_->Parent();
}

void PdfPreparedOutline::LevelRoot() {
    current_ = &outline_.Root();
}

bool HasFolderPart(const AnsiString& fileName) {
    return fileName.find_first_of("/\\:") != AnsiString::npos;
}

TfrxPDFExport::TfrxPDFExport() {
    DefaultExt = frxGet("8708");
    DialogFilter = frxGet("8707");
}

TfrxPDFExport::~TfrxPDFExport() = default;

AnsiString TfrxPDFExport::FilterTitle() const {
    return frxGet("PDFexport");
}

int TfrxPDFExport::ShowOptionsDialog() {
    // This program has no options dialog; the options stand as set.
    if (Title.empty() && Report != nullptr)
        Title = AnsiToWide(Report->ReportOptions.Name);
    return 1;
}

bool TfrxPDFExport::BeginExport() {
    if (NestedExport) {
        AnsiString reportFile = Report != nullptr ? Report->LoadedFileName : AnsiString();
        AnsiString name = ExtractFileName(reportFile);
        if (!name.empty()) {
            size_t dot = name.find_last_of('.');
            FileName = TempFolder() + kPathDelim + name.substr(0, dot) + DefaultExt;
        } else {
            FileName = TempFolder() + kPathDelim + "fr" + NewGuidText().substr(1, 8) + DefaultExt;
        }
    }
    if (FileName.empty() && Stream == nullptr)
        return false;
    if (!HasFolderPart(FileName) && !DefaultPath.empty())
        FileName = DefaultPath + kPathDelim + FileName;
    int pages = Pages != nullptr ? Pages->Count() : 0;
    pdf_ = std::make_unique<TfrxPDFFile>(UseFileCache && pages > 200,
                                         Report != nullptr ? Report->EngineOptions.TempDir
                                                           : AnsiString());
    TfrxPDFFile& pdf = *pdf_;
    pdf.Compressed = Compressed;
    pdf.EmbeddedFonts = EmbeddedFonts;
    pdf.PrintOptimized = PrintOptimized;
    pdf.Outline = Outline;
    pdf.Background = Background;
    pdf.Author = WideToAnsi(Author);
    pdf.Subject = WideToAnsi(Subject);
    pdf.Creator = WideToAnsi(Creator);
    pdf.Producer = Producer;
    pdf.Keywords = Keywords;
    pdf.HideToolbar = HideToolbar;
    pdf.HideMenubar = HideMenubar;
    pdf.HideWindowUI = HideWindowUI;
    pdf.FitWindow = FitWindow;
    pdf.CenterWindow = CenterWindow;
    pdf.PrintScaling = PrintScaling;
    pdf.HTMLTags = HTMLTags;
    pdf.PageNumbers = PageNumbers;
    pdf.TotalPages = pages;
    outline_.reset();
    if (Outline && Pages != nullptr) {
        outline_ = std::make_unique<PdfPreparedOutline>(Pages->Outline());
        pdf.PreparedOutline = outline_.get();
    }
    pdf.FixedDate = FixedDate;
    pdf.FixedGuid = FixedGuid;
    pdf.OwnerPassword = OwnerPassword;
    pdf.UserPassword = UserPassword;
    pdf.SetProtectionFlags(ProtectionFlags);
    pdf.PrepareSecurity();
    return true;
}

void TfrxPDFExport::BeginPage(TfrxReportPage& page, int) {
    if (!pdf_)
        throw Exception("PDF export: BeginPage without BeginExport");
    page_ = &pdf_->AddPage(PdfReportPage(page));
}

void TfrxPDFExport::ExportView(TfrxReportComponent& object) {
    auto* view = dynamic_cast<TfrxView*>(&object);
    if (view == nullptr || page_ == nullptr)
        return;
    if (ExportNotPrintable || view->Printable)
        page_->AddObject(*view);
}

void TfrxPDFExport::EndExport() {
    std::unique_ptr<TfrxPDFFile> pdf = std::move(pdf_);
    std::unique_ptr<PdfPreparedOutline> outline = std::move(outline_);
    page_ = nullptr;
    if (!pdf)
        return;
    bool opened = false;
    try {
        pdf->Title = WideToAnsi(Title);
        if (Stream != nullptr) {
            pdf->SaveToStream(*Stream);
        } else {
            std::ofstream file(NativePath(FileName), std::ios::binary | std::ios::trunc);
            if (!file)
                throw EFileError(
                    Format("Cannot create file \"%s\". %s", {FileName, SystemErrorMessage(errno)}));
            opened = true;
            pdf->SaveToStream(file);
            file.close();
            if (!file)
                throw EFileError(Format("Unable to write to %s", {FileName}));
        }
    } catch (const Exception& error) {
        if (opened && OpenAfterExport)
            ShellOpen(FileName);
        TfrxSilentMode mode =
            Report != nullptr ? Report->EngineOptions.NewSilentMode : TfrxSilentMode::simReThrow;
        if (mode == TfrxSilentMode::simReThrow || Report == nullptr)
            throw;
        if (mode == TfrxSilentMode::simMessageBoxes)
            ShowErrorBox(*Report, error.Message());
        else
            Report->AddError(error.Message());
        return;
    }
    FileNames.push_back(FileName);
    if (OpenAfterExport && Stream == nullptr)
        ShellOpen(FileName);
}

} // namespace kanvo
