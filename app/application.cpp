#include "app/application.h"

#include "platform/code_page.h"
#include "platform/gui/message_box.h"

namespace kanvo {

AnsiString ApplicationTitle(const AnsiString& executablePath) {
    size_t slash = executablePath.find_last_of("/\\");
    AnsiString name = slash == AnsiString::npos ? executablePath : executablePath.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    if (name.size() > 1)
        name = name.substr(0, 1) + AnsiLowerCase(name.substr(1));
    return name;
}

AnsiString ErrorBoxText(const AnsiString& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

TApplication::TApplication(AnsiString executablePath, std::vector<AnsiString> args)
    : executablePath_(std::move(executablePath)), args_(std::move(args)),
      title_(ApplicationTitle(executablePath_)) {}

void TApplication::ShowException(const Exception& error) {
    ShowErrorBox(title_, ErrorBoxText(error.Message()));
}

void TApplication::ShowException(const std::exception& error) {
    ShowErrorBox(title_, ErrorBoxText(error.what()));
}

} // namespace kanvo
