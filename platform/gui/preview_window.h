// The preview window: the finished pages of a report, one at a time, in a
// modal, maximized window with page and zoom buttons. The pages come from the
// caller, which draws each on a canvas; the window knows nothing of reports.
#pragma once

#include "platform/graphics/page_source.h"
#include "platform/text_types.h"

namespace kanvo {

struct PreviewPages {
    AnsiString Title; // the window title, in the process code page
    PageSource Pages;
};

// Shows the pages and returns when the user has closed the window (the close
// button, Escape or the window's own close). Keys: Page Up/Down, Home, End,
// + and - for the zoom. Without a display it returns at once with false.
bool ShowPreviewWindow(const PreviewPages& pages);

} // namespace kanvo
