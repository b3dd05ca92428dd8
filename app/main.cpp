// kanvo: produces the contract for the order named in the job file.
#include "app/application.h"
#include "app/form1.h"
#include "app/text_helpers.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/gui/message_box.h"
#include "report/model/report.h"

#include <vector>

int main(int argc, char** argv) {
    using namespace kanvo;
    std::vector<AnsiString> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8ToAnsi(argv[i]));
    // The report's own messages (its error list after a load or a run) use
    // the same error box as the job.
    SetReportErrorBox(
        [](const AnsiString& caption, const AnsiString& text) { ShowErrorBox(caption, text); });
    TApplication application(ExecutablePath(), std::move(args));
    return RunProgram(application, ProgramFolder());
}
