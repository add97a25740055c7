// Keeping the main window's size and pane positions in the settings file.
#include "ui/window_geometry.h"

#include "ui/settings.h"

#include <algorithm>
#include <vector>

namespace {

constexpr const char* GROUP = "window";
// Room left for panels and the window frame when the screen is small.
constexpr int SCREEN_MARGIN = 40;

void collect_panes(GtkWidget* widget, gpointer data)
{
    auto* panes = static_cast<std::vector<GtkPaned*>*>(data);
    if (GTK_IS_PANED(widget) && g_strcmp0(gtk_widget_get_name(widget), G_OBJECT_TYPE_NAME(widget)) != 0)
        panes->push_back(GTK_PANED(widget));
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), collect_panes, data);
}

// The panes inside `window` that carry a name of their own.
std::vector<GtkPaned*> named_panes(GtkWindow* window)
{
    std::vector<GtkPaned*> panes;
    gtk_container_forall(GTK_CONTAINER(window), collect_panes, &panes);
    return panes;
}

} // namespace

void window_geometry_restore(GtkWindow* window, int width, int height)
{
    GdkScreen* screen = gtk_widget_get_screen(GTK_WIDGET(window));
    const int most_width = std::max(1, gdk_screen_get_width(screen) - SCREEN_MARGIN);
    const int most_height = std::max(1, gdk_screen_get_height(screen) - SCREEN_MARGIN);
    width = std::clamp(settings_get_int(GROUP, "width", width), 1, most_width);
    height = std::clamp(settings_get_int(GROUP, "height", height), 1, most_height);
    gtk_window_set_default_size(window, width, height);
    for (GtkPaned* pane : named_panes(window)) {
        const int position = settings_get_int(GROUP, gtk_widget_get_name(GTK_WIDGET(pane)), -1);
        if (position >= 0)
            gtk_paned_set_position(pane, position);
    }
}

bool window_geometry_save(GtkWindow* window)
{
    int width = 0;
    int height = 0;
    gtk_window_get_size(window, &width, &height);
    std::vector<std::pair<std::string, int>> values = { { "width", width }, { "height", height } };
    for (GtkPaned* pane : named_panes(window)) {
        gboolean set = FALSE;
        g_object_get(pane, "position-set", &set, nullptr);
        // A pane never moved and never shown has no position to keep.
        if (set || gtk_widget_get_realized(GTK_WIDGET(pane)))
            values.emplace_back(gtk_widget_get_name(GTK_WIDGET(pane)), gtk_paned_get_position(pane));
    }
    // One write, and none when nothing moved since the last run.
    return settings_set_ints(GROUP, values);
}
