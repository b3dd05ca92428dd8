#include "app/form1.h"

#include <tuple>

#include "app/document_archive.h"
#include "app/job_file.h"
#include "app/text_helpers.h"
#include "pdf/pdf_raster.h"
#include "platform/date_time.h"
#include "platform/files.h"
#include "platform/gui/preview_window.h"
#include "report/engine/page_drawing.h"
#include "report/rich/rich_view.h"

namespace kanvo {
namespace {

AnsiString ChangeFileExt(const AnsiString& name, const AnsiString& extension) {
    size_t dot = name.rfind('.');
    size_t slash = name.find_last_of("/\\");
    if (dot == AnsiString::npos || (slash != AnsiString::npos && dot < slash))
        return name + extension;
    return name.substr(0, dot) + extension;
}

AnsiString FileNameOf(const AnsiString& path) {
    size_t slash = path.find_last_of(kPathDelim);
    return slash == AnsiString::npos ? path : path.substr(slash + 1);
}

} // namespace

TForm1::TForm1(TApplication& application, AnsiString programFolder)
    : Application(application), ProgramFolderPath(std::move(programFolder)),
      FormStorage1(ProgramFolderPath +
                       ChangeFileExt(FileNameOf(application.ExecutablePath()), ".INI"),
                   kClassName) {
    // The form's two data sources; templates name them by their user names.
    for (auto [ds, query, name] : {std::tuple{&frxDBDataset1, &ZQuery1, "frxDBDataset1"},
                                   std::tuple{&frxDBDataset2, &ZQuery2, "frxDBDataset2"}}) {
        ds->Rename(name);
        ds->SetUserName(name);
        ds->DataSet = query;
        ds->CloseDataSource = false;
        frxReport1.AddHostComponent(ds);
    }
    ReportRun.OnShowPreview = [](TfrxReportRun& run) {
        ShowPreviewWindow({run.Report().ReportOptions.Name,
                           ViewOfPreparedPages(run.PreparedPages(), PaintPreviewView)});
    };
    RegisterRichClasses();
    frxPDFExport1.ShowDialog = false;
    frxPDFExport1.OverwritePrompt = false;
    frxPDFExport1.ShowProgress = false;
    frxPDFExport1.UseFileCache = true;
    frxPDFExport1.Compressed = true;
    frxPDFExport1.EmbeddedFonts = false;
    frxPDFExport1.OpenAfterExport = false;
    frxPDFExport1.HTMLTags = true;
    frxPDFExport1.ProtectionFlags = ePrint | eModify | eCopy | eAnnot;
}

AnsiString TForm1::SharedIniFile() const {
    return ProgramFolderPath + "../../mervik05.ini";
}

AnsiString TForm1::OwnIniFile() const {
    return FormStorage1.OwnIniFile();
}

AnsiString TForm1::JobFile() const {
    return ProgramFolderPath + "doklad.txt";
}

void TForm1::FormCreate() {
    Job.BlankFormMode.clear();
    const auto& args = Application.Args();
    if (!args.empty() && args[0] == "cista")
        Job.BlankFormMode = "cista";
    Top = kHiddenTop;

    FormStorage1.IniFileName = SharedIniFile();
    FormStorage1.IniSection = "LogOn";
    ZConnection1.HostName = FormStorage1.ReadString("IP", "0.0.0.0");
    ZConnection1.User = FormStorage1.ReadString("User", "");
    ZConnection1.Password = FormStorage1.ReadString("Password", "");
    ZConnection1.Port = FormStorage1.ReadInteger("SQLport", 3306);
    ZConnection1.Database = FormStorage1.ReadString("Database", "mervik");
    FormStorage1.IniSection.clear();
    FormStorage1.IniFileName.clear();

    if (ZConnection1.User.empty())
        Application.Terminate();
}

void TForm1::FormActivate() {
    Top = kHiddenTop;
}

void TForm1::Show() {
    if (Shown)
        return;
    Shown = true;
    FormStorage1.RestoreFormPlacement();
    try {
        FormShow();
    } catch (const std::exception& error) {
        Application.ShowException(error);
        Application.SetExitCode(kExitJobError);
    }
    Application.Terminate();
}

void TForm1::FormShow() {
    Top = kHiddenTop;
    {
        std::vector<AnsiString> lines = SplitTextLines(ReadFileBytes(JobFile()));
        Job.OrderKey = LineAt(lines, 0);
        Job.NameSource = LineAt(lines, 1);
    }
    const AnsiString alias = Job.NameSource == "adr1" ? "adr1 as NAZEVP" : "nazevpodni as NAZEVP";
    // Values go into the statements escaped by the client library, so an
    // order number holding quotes cannot change a statement's meaning.
    auto companyStatement = [&] {
        return "select *, " + alias + " from adresar where ico = \"" +
               ZConnection1.EscapeString(Job.CompanyIco) + "\"";
    };
    if (!Job.BlankFormMode.empty()) {
        ZQuery2.Close();
        ZQuery2.SQL.clear();
        Job.CompanyIco = Job.OrderKey;
    } else {
        ZQuery2.Close();
        ZQuery2.SQL = {"select * from obj where dispozice = \"" +
                       ZConnection1.EscapeString(Job.OrderKey) + "\""};
        ZQuery2.Open();
        Job.CompanyIco = ZQuery2.FieldNamed("fak_ico").AsText();
    }
    ZQuery1.Close();
    ZQuery1.SQL = {companyStatement()};
    ZQuery1.Open();
    Button1Click();
    ZQuery1.Close();
    ZQuery2.Close();
}

AnsiString TForm1::RichTextFolder() {
    FormStorage1.IniSection = "RTF";
    AnsiString folder = FormStorage1.ReadString("Cesta", ProgramFolderPath);
    FormStorage1.IniSection.clear();
    return AddTrailingBackslash(folder);
}

bool TForm1::ProduceContract() {
    frxReport1.LoadFromFile(ProgramFolderPath +
                            (Job.BlankFormMode.empty() ? "kanvo.fr3" : "kanvop.fr3"));
    // The template's rich text object "Rich2" takes the text of kanvo.rtf
    // from the rich text folder, byte for byte, when there is such a file.
    const AnsiString rtf = RichTextFolder() + "kanvo.rtf";
    if (FileExists(rtf))
        if (auto* rich = dynamic_cast<TfrxRichView*>(frxReport1.FindObject("Rich2")))
            rich->SetContent(ReadFileBytes(rtf));
    if (!ReportRun.BuildReport(true))
        return false;
    // The preview prepares the report again and returns when the user has
    // closed it (at once without a display); both PDFs are written from the
    // pages it showed.
    if (!ReportRun.ShowReport(true))
        return false;
    ForceDirectories(ProgramFolderPath + "pdf");
    frxPDFExport1.DefaultPath = ProgramFolderPath + "pdf";
    // A file that cannot be written has been reported by the filter; the
    // run goes on, and the exit status tells of it.
    frxPDFExport1.FileName = ProgramFolderPath + "akt.pdf";
    if (!ReportRun.PreparedPages().ExportTo(frxPDFExport1))
        Application.SetExitCode(kExitJobError);
    frxPDFExport1.FileName = DatedPdfName();
    if (!ReportRun.PreparedPages().ExportTo(frxPDFExport1))
        Application.SetExitCode(kExitJobError);
    return true;
}

AnsiString TForm1::DatedPdfName() {
    // An order without a company row reads both fields as empty texts.
    auto text = [this](const char* field) {
        TField* f = ZQuery1.Active() ? ZQuery1.FindField(field) : nullptr;
        return f && ZQuery1.RecordCount() > 0 ? f->AsText() : AnsiString();
    };
    AnsiString company = FoldDiacritics(text("nazevpodni") + "_" + text("sidlo"));
    company = ReplaceAllNoCase(company, " ", "_");
    return company + "_" + FormatDateTime("yyyymmdd", Now()) + ".pdf";
}

void TForm1::Button1Click() {
    if (!ProduceContract()) {
        // The report has shown its errors; no document is archived.
        Application.SetExitCode(kExitJobError);
        return;
    }
    ArchiveDocument(ZConnection1, Job.OrderKey, ProgramFolderPath + "akt.pdf");
}

void TForm1::FormDestroy() {
    if (Shown) {
        try {
            FormStorage1.SaveFormPlacement();
        } catch (const std::exception& error) {
            Application.ShowException(error);
            Application.SetExitCode(kExitSettingsError);
        }
    }
    Job.Clear();
}

int RunProgram(TApplication& application, const AnsiString& programFolder) {
    TForm1 form(application, programFolder);
    form.FormCreate();
    if (!application.Terminated())
        form.Show();
    form.FormDestroy();
    return application.ExitCode();
}

} // namespace kanvo
