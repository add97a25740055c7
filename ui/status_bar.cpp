// The window's status bar: one GtkStatusbar context per reporter.
#include "ui/status_bar.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, 3> CONTEXT_NAMES = { "playback", "recording", "feedback" };

struct StatusBar {
    GtkWidget* widget = nullptr;
    GtkWidget* progress = nullptr; // a child of the bar, hidden when idle
    std::optional<double> fraction; // none while the progress bar pulses
    // The message each context has set, so an unchanged one (a play
    // reports its progress many times a second) is not pushed again.
    std::array<std::string, CONTEXT_NAMES.size()> texts;
};

StatusBar bar;

guint context_id(StatusContext context)
{
    return gtk_statusbar_get_context_id(GTK_STATUSBAR(bar.widget), CONTEXT_NAMES[std::size_t(context)]);
}

void on_status_bar_destroy(GtkWidget* widget, gpointer)
{
    if (bar.widget == widget)
        bar = StatusBar {};
}

} // namespace

GtkWidget* status_bar_build()
{
    bar = StatusBar {};
    bar.widget = gtk_statusbar_new();
    gtk_statusbar_set_has_resize_grip(GTK_STATUSBAR(bar.widget), FALSE);
    g_signal_connect(bar.widget, "destroy", G_CALLBACK(on_status_bar_destroy), nullptr);
    bar.progress = gtk_progress_bar_new();
    gtk_box_pack_end(GTK_BOX(bar.widget), bar.progress, FALSE, FALSE, 0);
    // Shown only while work runs, even when the window shows all.
    gtk_widget_set_no_show_all(bar.progress, TRUE);
    return bar.widget;
}

void status_bar_set(StatusContext context, const std::string& text)
{
    if (!bar.widget)
        return;
    const auto i = std::size_t(context);
    if (bar.texts[i] == text && !text.empty())
        return;
    const guint id = context_id(context);
    gtk_statusbar_remove_all(GTK_STATUSBAR(bar.widget), id);
    gtk_statusbar_push(GTK_STATUSBAR(bar.widget), id, text.c_str());
    bar.texts[i] = text;
}

void status_bar_clear(StatusContext context)
{
    if (!bar.widget)
        return;
    const auto i = std::size_t(context);
    gtk_statusbar_remove_all(GTK_STATUSBAR(bar.widget), context_id(context));
    bar.texts[i].clear();
}

std::string status_bar_text()
{
    if (!bar.widget)
        return {};
    GtkWidget* area = gtk_statusbar_get_message_area(GTK_STATUSBAR(bar.widget));
    GList* children = gtk_container_get_children(GTK_CONTAINER(area));
    std::string text;
    for (GList* l = children; l; l = l->next)
        if (GTK_IS_LABEL(l->data))
            text = gtk_label_get_text(GTK_LABEL(l->data));
    g_list_free(children);
    return text;
}

void status_bar_progress_start(const std::string& text)
{
    if (!bar.progress)
        return;
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(bar.progress), text.c_str());
    bar.fraction.reset();
    gtk_progress_bar_set_pulse_step(GTK_PROGRESS_BAR(bar.progress), 0.1);
    gtk_progress_bar_pulse(GTK_PROGRESS_BAR(bar.progress));
    gtk_widget_show(bar.progress);
}

void status_bar_progress_pulse()
{
    if (bar.progress)
        gtk_progress_bar_pulse(GTK_PROGRESS_BAR(bar.progress));
}

void status_bar_progress_set(double fraction)
{
    if (!bar.progress)
        return;
    bar.fraction = std::clamp(fraction, 0.0, 1.0);
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar.progress), *bar.fraction);
}

void status_bar_progress_end()
{
    if (bar.progress)
        gtk_widget_hide(bar.progress);
    bar.fraction.reset();
}

std::string status_bar_progress_text()
{
    if (!bar.progress || !gtk_widget_get_visible(bar.progress))
        return {};
    const char* text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar.progress));
    return text ? text : "";
}

std::optional<double> status_bar_progress_fraction()
{
    if (!bar.progress || !gtk_widget_get_visible(bar.progress))
        return std::nullopt;
    return bar.fraction;
}
