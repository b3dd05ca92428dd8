#include "platform/gui/preview_window.h"

#include "platform/code_page.h"
#include "platform/gui/message_box.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtk/gtk.h>
#include <string>

namespace kanvo {

namespace {

constexpr double kMargin = 16; // grey space around the paper, device pixels
constexpr double kZoomSteps[] = {0.25, 0.5, 0.75, 1, 1.25, 1.5, 2, 3, 4};

struct Preview {
    const PageSource* pages = nullptr;
    int page = 0;
    int zoomIndex = 3; // 100 %
    GtkWidget* window = nullptr;
    GtkWidget* area = nullptr;
    GtkWidget* label = nullptr;
    GMainLoop* loop = nullptr;

    double Zoom() const { return kZoomSteps[zoomIndex]; }
    std::pair<int, int> Size() const {
        return pages->PageSize ? pages->PageSize(page) : std::pair<int, int>{794, 1123};
    }
    void Update() {
        auto [w, h] = Size();
        gtk_widget_set_size_request(area, static_cast<int>(w * Zoom() + 2 * kMargin),
                                    static_cast<int>(h * Zoom() + 2 * kMargin));
        char text[64];
        std::snprintf(text, sizeof text, "Strana %d z %d  (%d %%)", page + 1, pages->Count,
                      static_cast<int>(std::lround(Zoom() * 100)));
        gtk_label_set_text(GTK_LABEL(label), text);
        gtk_widget_queue_draw(area);
    }
    void Go(int to) {
        page = std::clamp(to, 0, std::max(pages->Count - 1, 0));
        Update();
    }
    void ZoomBy(int step) {
        zoomIndex = std::clamp(zoomIndex + step, 0, static_cast<int>(std::size(kZoomSteps)) - 1);
        Update();
    }
};

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    auto* p = static_cast<Preview*>(data);
    cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
    cairo_paint(cr);
    if (p->pages->Count == 0 || !p->pages->DrawPage)
        return TRUE;
    auto [w, h] = p->Size();
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3); // the paper's shadow
    cairo_rectangle(cr, kMargin + 3, kMargin + 3, w * p->Zoom(), h * p->Zoom());
    cairo_fill(cr);
    try {
        CairoCanvas canvas(cr);
        p->pages->DrawPage(p->page, canvas, p->Zoom(), kMargin, kMargin);
        canvas.Finish();
    } catch (const std::exception& e) {
        // A page that cannot be drawn shows what went wrong instead.
        cairo_set_source_rgb(cr, 0.7, 0, 0);
        cairo_move_to(cr, kMargin + 10, kMargin + 30);
        cairo_show_text(cr, e.what());
    }
    return TRUE;
}

void OnButton(GtkWidget* button, gpointer data) {
    auto* p = static_cast<Preview*>(data);
    const char* what = static_cast<const char*>(g_object_get_data(G_OBJECT(button), "kanvo-do"));
    const std::string action = what ? what : "";
    if (action == "first")
        p->Go(0);
    else if (action == "prior")
        p->Go(p->page - 1);
    else if (action == "next")
        p->Go(p->page + 1);
    else if (action == "last")
        p->Go(p->pages->Count - 1);
    else if (action == "zoom-in")
        p->ZoomBy(1);
    else if (action == "zoom-out")
        p->ZoomBy(-1);
    else if (action == "close")
        gtk_widget_destroy(p->window);
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* p = static_cast<Preview*>(data);
    switch (event->keyval) {
    case GDK_KEY_Escape:
        gtk_widget_destroy(p->window);
        return TRUE;
    case GDK_KEY_Page_Down:
        p->Go(p->page + 1);
        return TRUE;
    case GDK_KEY_Page_Up:
        p->Go(p->page - 1);
        return TRUE;
    case GDK_KEY_Home:
        p->Go(0);
        return TRUE;
    case GDK_KEY_End:
        p->Go(p->pages->Count - 1);
        return TRUE;
    case GDK_KEY_plus:
    case GDK_KEY_KP_Add:
        p->ZoomBy(1);
        return TRUE;
    case GDK_KEY_minus:
    case GDK_KEY_KP_Subtract:
        p->ZoomBy(-1);
        return TRUE;
    default:
        return FALSE;
    }
}

void OnDestroy(GtkWidget*, gpointer data) {
    auto* p = static_cast<Preview*>(data);
    p->window = nullptr;
    g_main_loop_quit(p->loop);
}

GtkWidget* Button(GtkWidget* bar, const char* text, const char* tooltip, const char* action,
                  Preview& p) {
    GtkWidget* b = gtk_button_new_with_label(text);
    gtk_widget_set_tooltip_text(b, tooltip); // our own texts, UTF-8 here
    g_object_set_data(G_OBJECT(b), "kanvo-do", const_cast<char*>(action));
    g_signal_connect(b, "clicked", G_CALLBACK(OnButton), &p);
    gtk_box_pack_start(GTK_BOX(bar), b, FALSE, FALSE, 0);
    return b;
}

} // namespace

bool ShowPreviewWindow(const PreviewPages& pages) {
    if (!GuiAvailable())
        return false;
    Preview p;
    p.pages = &pages.Pages;
    p.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(
        GTK_WINDOW(p.window),
        AnsiToUtf8(pages.Title.empty() ? AnsiString("Náhled") : pages.Title).c_str());
    gtk_window_set_modal(GTK_WINDOW(p.window), TRUE);
    gtk_window_set_default_size(GTK_WINDOW(p.window), 900, 700);
    gtk_window_maximize(GTK_WINDOW(p.window));

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_container_set_border_width(GTK_CONTAINER(bar), 4);
    Button(bar, "|<", "První strana", "first", p);
    Button(bar, "<", "Předchozí strana", "prior", p);
    Button(bar, ">", "Další strana", "next", p);
    Button(bar, ">|", "Poslední strana", "last", p);
    Button(bar, "-", "Zmenšit", "zoom-out", p);
    Button(bar, "+", "Zvětšit", "zoom-in", p);
    p.label = gtk_label_new("");
    gtk_box_pack_start(GTK_BOX(bar), p.label, FALSE, FALSE, 8);
    GtkWidget* close = Button(bar, "Zavřít", "Zavřít náhled", "close", p);
    gtk_box_set_child_packing(GTK_BOX(bar), close, FALSE, FALSE, 0, GTK_PACK_END);
    gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);

    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    p.area = gtk_drawing_area_new();
    g_signal_connect(p.area, "draw", G_CALLBACK(OnDraw), &p);
    gtk_container_add(GTK_CONTAINER(scroll), p.area);
    gtk_box_pack_start(GTK_BOX(box), scroll, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(p.window), box);

    g_signal_connect(p.window, "key-press-event", G_CALLBACK(OnKey), &p);
    g_signal_connect(p.window, "destroy", G_CALLBACK(OnDestroy), &p);
    p.loop = g_main_loop_new(nullptr, FALSE);
    p.Update();
    gtk_widget_show_all(p.window);
    gtk_window_present(GTK_WINDOW(p.window));
    g_main_loop_run(p.loop);
    g_main_loop_unref(p.loop);
    while (gtk_events_pending())
        gtk_main_iteration();
    return true;
}

} // namespace kanvo
