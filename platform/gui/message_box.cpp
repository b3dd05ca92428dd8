#include "platform/gui/message_box.h"

#include "platform/code_page.h"

#include <cstdio>
#include <cstdlib>
#include <gtk/gtk.h>

namespace kanvo {

bool GuiAvailable() {
    static const bool available = [] {
        const char* x11 = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        if ((!x11 || !*x11) && (!wayland || !*wayland))
            return false;
        return gtk_init_check(nullptr, nullptr) != FALSE;
    }();
    return available;
}

void ShowErrorBox(const AnsiString& caption, const AnsiString& text) {
    std::string utf8Caption = AnsiToUtf8(caption);
    std::string utf8Text = AnsiToUtf8(text);
    if (!GuiAvailable()) {
        std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
        std::fflush(stderr);
        return;
    }
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                               GTK_BUTTONS_OK, "%s", utf8Text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), utf8Caption.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending())
        gtk_main_iteration();
}

} // namespace kanvo
