// The progress window of batch jobs.
#include "ui/progress_window.h"
#include "io/i18n.h"
#include "ui/gtk_ptr.h"

#include <string>

namespace {

void on_cancel_clicked(GtkButton*, gpointer data)
{
    static_cast<ProgressWindow*>(data)->cancelled = true;
}

gboolean on_window_delete_event(GtkWidget*, GdkEvent*, gpointer data)
{
    static_cast<ProgressWindow*>(data)->cancelled = true;
    return TRUE; // the job closes the window when it has stopped
}

} // namespace

ProgressWindow::~ProgressWindow()
{
    if (window)
        gtk_widget_destroy(window);
}

ProgressWindowPtr progress_window_open(GtkWindow* parent, const char* title)
{
    auto p = std::make_unique<ProgressWindow>();
    p->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(p->window), title);
    gtk_window_set_modal(GTK_WINDOW(p->window), TRUE);
    if (parent)
        gtk_window_set_transient_for(GTK_WINDOW(p->window), parent);
    gtk_window_set_default_size(GTK_WINDOW(p->window), 360, -1);
    gtk_container_set_border_width(GTK_CONTAINER(p->window), 12);
    GtkWidget* box = gtk_vbox_new(FALSE, 8);
    p->bar = gtk_progress_bar_new();
    p->cancel = gtk_button_new_from_stock(GTK_STOCK_CANCEL);
    GtkWidget* row = gtk_hbutton_box_new();
    gtk_button_box_set_layout(GTK_BUTTON_BOX(row), GTK_BUTTONBOX_END);
    gtk_box_pack_start(GTK_BOX(row), p->cancel, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), p->bar, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(p->window), box);
    g_signal_connect(p->cancel, "clicked", G_CALLBACK(on_cancel_clicked), p.get());
    g_signal_connect(p->window, "delete-event", G_CALLBACK(on_window_delete_event), p.get());
    gtk_widget_show_all(p->window);
    return p;
}

bool progress_window_update(ProgressWindow* p, std::size_t done, std::size_t total)
{
    const double fraction = total ? double(done) / double(total) : 1.0;
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(p->bar), fraction);
    const GCharPtr text(g_strdup_printf(_("%zu of %zu"), done, total));
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(p->bar), text.get());
    while (gtk_events_pending())
        gtk_main_iteration();
    return !p->cancelled;
}
