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
    // A plain dialog with the icon beside the text: GTK 3's message dialogs
    // no longer show their type's icon.
    GtkWidget* dialog = gtk_dialog_new_with_buttons(utf8Caption.c_str(), nullptr, GTK_DIALOG_MODAL,
                                                    "OK", GTK_RESPONSE_OK, nullptr);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_container_set_border_width(GTK_CONTAINER(row), 12);
    GtkWidget* icon = gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(icon, GTK_ALIGN_START);
    GtkWidget* label = gtk_label_new(utf8Text.c_str());
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 80);
    gtk_label_set_selectable(GTK_LABEL(label), TRUE);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), row, TRUE, TRUE,
                       0);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK));
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_widget_show_all(dialog);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending())
        gtk_main_iteration();
}

} // namespace kanvo
