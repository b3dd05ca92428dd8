// kanvo: produces the contract for the order named in the job file.
#include "app/application.h"
#include "app/form1.h"
#include "app/text_helpers.h"
#include "platform/code_page.h"
#include "platform/files.h"

#include <vector>

int main(int argc, char** argv) {
    using namespace kanvo;
    std::vector<AnsiString> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8ToAnsi(argv[i]));
    TApplication application(ExecutablePath(), std::move(args));
    return RunProgram(application, ProgramFolder());
}
