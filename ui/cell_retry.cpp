// Reopening a refused cell edit with the typed text.
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

void on_cell_editing_started(GtkCellRenderer* cell, GtkCellEditable* editable, gchar*, gpointer data)
{
    auto* retry = static_cast<Retry*>(data);
    g_signal_handler_disconnect(cell, retry->started);
    if (GTK_IS_ENTRY(editable)) {
        gtk_entry_set_text(GTK_ENTRY(editable), retry->text.c_str());
        gtk_editable_set_position(GTK_EDITABLE(editable), -1);
    }
}

gboolean reopen(gpointer data)
{
    std::unique_ptr<Retry> retry(static_cast<Retry*>(data));
    GtkTreeView* view = retry->view.get();
    // The list may have been handed another model (a reload, a filter) or
    // taken off the screen meanwhile: the row is then no longer the one.
    if (gtk_tree_view_get_model(view) != retry->model.get() || !gtk_widget_get_realized(GTK_WIDGET(view)))
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
    if (!model || !path || !text)
        return;
    // An edit ended by leaving the cell (a click elsewhere) is not reopened:
    // the user went on to something else, and the focus stays there.
    GtkWidget* toplevel = gtk_widget_get_toplevel(GTK_WIDGET(view));
    GtkWidget* focus = GTK_IS_WINDOW(toplevel) ? gtk_window_get_focus(GTK_WINDOW(toplevel)) : nullptr;
    if (!focus || (focus != GTK_WIDGET(view) && !gtk_widget_is_ancestor(focus, GTK_WIDGET(view))))
        return;
    auto retry = std::make_unique<Retry>(Retry { GObjectPtr<GtkTreeView>(GTK_TREE_VIEW(g_object_ref(view))),
        GObjectPtr<GtkTreeModel>(GTK_TREE_MODEL(g_object_ref(model))), column, cell, path, text });
    // The idle owns it from here on.
    g_idle_add(reopen, retry.release());
}
