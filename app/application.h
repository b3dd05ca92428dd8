// The application object: command line, title, error reporting and the end
// request of the one run.
#pragma once

#include "platform/exception.h"
#include "platform/text_types.h"

#include <vector>

namespace kanvo {

// Exit statuses of kanvo.
enum ExitStatus : int {
    kExitOk = 0,            // job done, or ended silently (no user configured)
    kExitJobError = 1,      // an error of the job was reported in the error box
    kExitSettingsError = 2, // the job ran, but the own INI file could not be written
};

class TApplication {
public:
    // `executablePath` names the running program; `args` are the arguments
    // after the program name.
    TApplication(AnsiString executablePath, std::vector<AnsiString> args);

    const std::vector<AnsiString>& Args() const { return args_; }
    const AnsiString& ExecutablePath() const { return executablePath_; }
    // The executable's file name up to its first dot, every letter after the
    // first in lower case ("KANVO.EXE" -> "Kanvo").
    const AnsiString& Title() const { return title_; }

    // Reports an error in the error box: its message, with a full stop added
    // when the message ends in a character that sorts after ".".
    void ShowException(const Exception& error);
    void ShowException(const std::exception& error);

    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    int ExitCode() const { return exitCode_; }
    void SetExitCode(int code) {
        if (exitCode_ == kExitOk)
            exitCode_ = code;
    }

private:
    AnsiString executablePath_;
    std::vector<AnsiString> args_;
    AnsiString title_;
    bool terminated_ = false;
    int exitCode_ = kExitOk;
};

// The text an error box shows for a message.
AnsiString ErrorBoxText(const AnsiString& message);
// The application title for an executable path.
AnsiString ApplicationTitle(const AnsiString& executablePath);

} // namespace kanvo
