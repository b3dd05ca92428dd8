#include "app/form1.h"

#include "app/job_file.h"
#include "app/text_helpers.h"
#include "platform/files.h"

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
                   kClassName) {}

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
    std::vector<AnsiString> lines = SplitTextLines(ReadFileBytes(JobFile()));
    Job.OrderKey = LineAt(lines, 0);
    Job.NameSource = LineAt(lines, 1);
    // Data selection and the output run (Button1Click) come with the
    // data-access layer.
}

void TForm1::Button1Click() {
    // The output run: template, preview, the two PDFs and the archive step.
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
