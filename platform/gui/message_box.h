// Message boxes of the program. With a display (DISPLAY or WAYLAND_DISPLAY set
// and GTK able to connect) a modal GTK dialog; without one the text goes to
// standard error as "caption: text".
#pragma once

#include "platform/text_types.h"

namespace kanvo {

// True when a display can be used; GTK is initialised on the first call.
bool GuiAvailable();

// Shows an error box with an error icon and an OK button and returns when the
// user has closed it. Texts are in the process code page.
void ShowErrorBox(const AnsiString& caption, const AnsiString& text);

} // namespace kanvo
