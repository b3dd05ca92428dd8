#include "pdf/pdf_export.h"

#include "pdf/pdf_messages.h"
#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace kanvo {
namespace {

std::vector<TfrxCustomExportFilter*>& FilterList() {
    static std::vector<TfrxCustomExportFilter*> list;
    return list;
}

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

AnsiString ExtractFileName(const AnsiString& path) {
    size_t slash = path.find_last_of("/\\:");
    return slash == AnsiString::npos ? path : path.substr(slash + 1);
}

} // namespace

const std::vector<TfrxCustomExportFilter*>& ExportFilters() {
    return FilterList();
}

TfrxCustomExportFilter::TfrxCustomExportFilter() {
    FilterList().push_back(this);
}

TfrxCustomExportFilter::~TfrxCustomExportFilter() {
    auto& list = FilterList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

bool HasFolderPart(const AnsiString& fileName) {
    return fileName.find_first_of("/\\:") != AnsiString::npos;
}

TfrxPDFExport::TfrxPDFExport() {
    DefaultExt = PdfMessage("8708");
    DialogFilter = PdfMessage("8707");
}

TfrxPDFExport::~TfrxPDFExport() = default;

AnsiString TfrxPDFExport::FilterTitle() const {
    return PdfMessage("PDFexport");
}

int TfrxPDFExport::ShowOptionsDialog() {
    // This program has no options dialog; the options stand as set.
    if (Title.empty() && Report != nullptr)
        Title = AnsiToWide(Report->ReportName());
    return 1;
}

bool TfrxPDFExport::BeginExport() {
    if (NestedExport) {
        AnsiString reportFile = Report != nullptr ? Report->FileName() : AnsiString();
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
    int pages = Report != nullptr ? Report->PreparedPageCount() : 0;
    pdf_ = std::make_unique<TfrxPDFFile>(UseFileCache && pages > 200,
                                         Report != nullptr ? Report->TempDir() : AnsiString());
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
    if (Outline && Report != nullptr)
        pdf.PreparedOutline = Report->Outline();
    pdf.FixedDate = FixedDate;
    pdf.FixedGuid = FixedGuid;
    pdf.OwnerPassword = OwnerPassword;
    pdf.UserPassword = UserPassword;
    pdf.SetProtectionFlags(ProtectionFlags);
    pdf.PrepareSecurity();
    return true;
}

void TfrxPDFExport::BeginPage(const IPdfExportPage& page, int) {
    page_ = &pdf_->AddPage(page);
}

void TfrxPDFExport::ExportView(const IPdfExportObject& object) {
    if (object.Kind() == PdfViewKind::NotAView || page_ == nullptr)
        return;
    if (ExportNotPrintable || object.Printable())
        page_->AddObject(object);
}

void TfrxPDFExport::EndExport() {
    std::unique_ptr<TfrxPDFFile> pdf = std::move(pdf_);
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
            Report != nullptr ? Report->NewSilentMode() : TfrxSilentMode::simReThrow;
        if (mode == TfrxSilentMode::simReThrow || Report == nullptr)
            throw;
        if (mode == TfrxSilentMode::simMessageBoxes)
            Report->ShowMessageBox(error.Message(), PdfMessage("mbError"));
        else
            Report->AddError(error.Message());
        return;
    }
    FileNames.push_back(FileName);
    if (OpenAfterExport && Stream == nullptr)
        ShellOpen(FileName);
}

} // namespace kanvo
