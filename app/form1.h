// The main form of the contract job. It is never visible: it exists to own
// the job's components and to run the job while it is "shown" once.
//
// Start, run and stop:
//   FormCreate  - mode from the command line, logon from the shared INI file;
//                 ends the program at once when no user is configured.
//   Show        - restores the settings record, then FormShow runs the job.
//   FormDestroy - writes the settings record when the form has been shown.
#pragma once

#include "app/application.h"
#include "data/zconnection.h"
#include "pdf/pdf_export.h"
#include "report/engine/engine.h"
#include "report/model/dataset.h"
#include "report/model/report.h"

#include "platform/form_storage.h"
#include "platform/text_types.h"
#include <memory>

namespace kanvo {

// The job's state, set once per run.
struct JobState {
    AnsiString BlankFormMode; // "cista" in blank-form mode, else empty
    AnsiString OrderKey;      // line 1 of the job file
    AnsiString CompanyIco;    // registration number of the company row
    AnsiString NameSource;    // line 2 of the job file

    void Clear() { *this = JobState{}; }
};

class TForm1 {
public:
    static constexpr const char* kClassName = "TForm1";
    static constexpr int kHiddenTop = -5000;

    // `programFolder` ends in the path delimiter.
    TForm1(TApplication& application, AnsiString programFolder);

    void FormCreate();
    // Shows the form for the first time: the settings component reads its
    // record, then FormShow runs. An error of the job is reported here and
    // ends the program.
    void Show();
    void FormShow();
    void FormActivate();
    void Button1Click();
    // The output run's report steps: template, rich text folder, build,
    // preview (to come), then "akt.pdf" and the dated copy in the folder
    // "pdf". False when the report could not be built (its errors are already
    // reported); the job then ends without a document.
    bool ProduceContract();
    // The dated copy's name: company name and seat of the current company
    // row without diacritics, blanks as "_", then "_" and today as yyyymmdd.
    AnsiString DatedPdfName();
    // The rich text folder: key "Cesta" of section "RTF" of the own INI file,
    // the program folder by default, with a trailing delimiter.
    AnsiString RichTextFolder();
    // Program end: writes the settings record (when shown) and clears the job.
    void FormDestroy();

    // The host system's INI file two folders above the program.
    AnsiString SharedIniFile() const;
    // The program's own INI file: the executable's name with ".INI".
    AnsiString OwnIniFile() const;
    AnsiString JobFile() const;

    TApplication& Application;
    const AnsiString ProgramFolderPath;
    TZConnection ZConnection1;
    TZQuery ZQuery1{ZConnection1, "ZQuery1"}; // company (adresar)
    TZQuery ZQuery2{ZConnection1, "ZQuery2"}; // order (obj)
    TFormStorage FormStorage1;
    TfrxDBDataset frxDBDataset1; // over ZQuery1
    TfrxDBDataset frxDBDataset2; // over ZQuery2
    TfrxReport frxReport1;
    TfrxReportRun ReportRun{frxReport1};
    TfrxPDFExport frxPDFExport1;
    JobState Job;
    int Left = 0;
    int Top = 0;
    bool Shown = false;
};

// The whole program over one application object: create, show, destroy.
// Returns the exit status.
int RunProgram(TApplication& application, const AnsiString& programFolder);

} // namespace kanvo
