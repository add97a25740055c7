// Reopening a refused cell edit with the typed text.
//
// Two kinds of focus loss are told apart. The user moving to another
// widget of the same window means "leave it": nothing is reopened, and a
// reopened cell closes as any cell does. The window itself losing the
// focus for a moment (another window, a dialog, the window manager) is
// not the user's choice about this cell: the retry goes on, and the
// reopened cell stays open with its text instead of being cancelled.
#include "ui/cell_retry.h"

#include "ui/gtk_ptr.h"

#include <memory>
#include <string>

namespace {

struct Retry {
    GObjectPtr<GtkTreeView> view;
    GObjectPtr<GtkTreeModel> model;
    GtkTreeViewColumn* column;
    GtkCellRenderer* cell;
    std::string path;
    std::string text;
    gulong started = 0;
};

constexpr const char* RETRY_CELL_KEY = "tembrel-retry-cell";

// Whether the keyboard focus of `view`'s window rests on a widget outside
// the list: the user went on to something else there.
bool focus_moved_away(GtkTreeView* view)
{
    GtkWidget* toplevel = gtk_widget_get_toplevel(GTK_WIDGET(view));
    GtkWidget* focus = GTK_IS_WINDOW(toplevel) ? gtk_window_get_focus(GTK_WINDOW(toplevel)) : nullptr;
    return focus && focus != GTK_WIDGET(view) && !gtk_widget_is_ancestor(focus, GTK_WIDGET(view));
}

// The cell renderer cancels an edit when its entry loses the focus, and
// the entry loses it too when the whole window does. So while the window
// hands its focus away, the renderer's handlers on the reopened entry are
// held back: the window's own handler (the signal's class handler) tells
// the entry between these two, which run before and after it.
gboolean on_window_focus_out_event(GtkWidget*, GdkEventFocus*, gpointer entry)
{
    g_signal_handlers_block_matched(entry, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
        g_object_get_data(G_OBJECT(entry), RETRY_CELL_KEY));
    return FALSE;
}
gboolean on_window_focus_out_event_after(GtkWidget*, GdkEventFocus*, gpointer entry)
{
    g_signal_handlers_unblock_matched(entry, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
        g_object_get_data(G_OBJECT(entry), RETRY_CELL_KEY));
    return FALSE;
}

void on_cell_editing_started(GtkCellRenderer* cell, GtkCellEditable* editable, gchar*, gpointer data)
{
    auto* retry = static_cast<Retry*>(data);
    g_signal_handler_disconnect(cell, retry->started);
    if (!GTK_IS_ENTRY(editable))
        return;
    gtk_entry_set_text(GTK_ENTRY(editable), retry->text.c_str());
    gtk_editable_set_position(GTK_EDITABLE(editable), -1);
    // The renderer's handlers on the entry carry the renderer as their data.
    g_object_set_data(G_OBJECT(editable), RETRY_CELL_KEY, cell);
    GtkWidget* toplevel = gtk_widget_get_toplevel(GTK_WIDGET(retry->view.get()));
    // Disconnected when the entry goes, at the end of the edit.
    g_signal_connect_object(
        toplevel, "focus-out-event", G_CALLBACK(on_window_focus_out_event), editable, GConnectFlags(0));
    g_signal_connect_object(
        toplevel, "focus-out-event", G_CALLBACK(on_window_focus_out_event_after), editable, G_CONNECT_AFTER);
}

gboolean reopen(gpointer data)
{
    std::unique_ptr<Retry> retry(static_cast<Retry*>(data));
    GtkTreeView* view = retry->view.get();
    // The list may have been handed another model (a reload, a filter) or
    // taken off the screen meanwhile: the row is then no longer the one.
    // And a user who has moved on meanwhile is not pulled back.
    if (gtk_tree_view_get_model(view) != retry->model.get() || !gtk_widget_get_realized(GTK_WIDGET(view))
        || focus_moved_away(view))
        return FALSE;
    TreePathPtr path(gtk_tree_path_new_from_string(retry->path.c_str()));
    GtkTreeIter iter;
    if (!path || !gtk_tree_model_get_iter(retry->model.get(), &iter, path.get()))
        return FALSE;
    retry->started = g_signal_connect(retry->cell, "editing-started", G_CALLBACK(on_cell_editing_started), retry.get());
    gtk_widget_grab_focus(GTK_WIDGET(view));
    gtk_tree_view_set_cursor_on_cell(view, path.get(), retry->column, retry->cell, TRUE);
    // Not started (the cell is not editable now): nothing may stay connected.
    if (g_signal_handler_is_connected(retry->cell, retry->started))
        g_signal_handler_disconnect(retry->cell, retry->started);
    return FALSE;
}

} // namespace

void cell_retry_edit(GtkTreeView* view, GtkTreeViewColumn* column, GtkCellRenderer* cell, const char* path,
    const char* text)
{
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    // An edit ended by going to another widget (a click elsewhere) is not
    // reopened: the focus stays where the user put it.
    if (!model || !path || !text || focus_moved_away(view))
        return;
    auto retry = std::make_unique<Retry>(Retry { GObjectPtr<GtkTreeView>(GTK_TREE_VIEW(g_object_ref(view))),
        GObjectPtr<GtkTreeModel>(GTK_TREE_MODEL(g_object_ref(model))), column, cell, path, text });
    // The idle owns it from here on.
    g_idle_add(reopen, retry.release());
}
