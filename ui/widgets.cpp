// Small widget builders and list helpers shared by the pages.
#include "ui/widgets.h"

#include "io/i18n.h"

#include <algorithm>
#include <climits>
#include <cstdarg>

GtkWidget* scrolled_list(GtkWidget* child)
{
    GtkWidget* window = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(window), GTK_SHADOW_NONE);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(window), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_container_add(GTK_CONTAINER(window), child);
    return window;
}

GCharPtr make_valid(const char* text)
{
    return GCharPtr(g_utf8_validate(text, -1, nullptr) ? g_strdup(text) : g_utf8_make_valid(text, -1));
}

void set_cell_text(GtkCellRenderer* cell, const char* text)
{
    g_object_set(cell, "text", make_valid(text).get(), nullptr);
}

GtkListStorePtr number_store_new(std::uint32_t rows)
{
    // Filled before any view sees it, so no row signal reaches a view.
    GtkListStorePtr store(gtk_list_store_new(1, G_TYPE_UINT));
    for (std::uint32_t i = 0; i < rows; ++i)
        gtk_list_store_insert_with_values(store.get(), nullptr, -1, 0, guint(i), -1);
    return store;
}

void number_store_set_rows(GtkListStore* store, std::uint32_t rows)
{
    GtkTreeModel* model = GTK_TREE_MODEL(store);
    auto n = std::uint32_t(gtk_tree_model_iter_n_children(model, nullptr));
    for (; n < rows; ++n)
        gtk_list_store_insert_with_values(store, nullptr, -1, 0, guint(n), -1);
    GtkTreeIter iter;
    while (n > rows && gtk_tree_model_iter_nth_child(model, &iter, nullptr, int(n - 1))) {
        gtk_list_store_remove(store, &iter);
        --n;
    }
}

std::uint32_t row_value(GtkTreeModel* model, GtkTreeIter* iter)
{
    guint value = 0;
    gtk_tree_model_get(model, iter, 0, &value, -1);
    return value;
}

std::optional<std::uint32_t> selected_row_value(GtkTreeView* view)
{
    GtkTreeModel* model = nullptr;
    GtkTreeIter iter;
    if (!view || !gtk_tree_selection_get_selected(gtk_tree_view_get_selection(view), &model, &iter))
        return std::nullopt;
    return row_value(model, &iter);
}

// The iterator of row `n` of `model`; false when there is no such row
// (GTK counts rows in an int).
static bool nth_row(GtkTreeModel* model, std::uint32_t n, GtkTreeIter* iter)
{
    return model && n <= std::uint32_t(INT_MAX) && gtk_tree_model_iter_nth_child(model, iter, nullptr, int(n));
}

bool select_row(GtkTreeView* view, std::optional<std::uint32_t> n, bool scroll)
{
    GtkTreeSelection* selection = gtk_tree_view_get_selection(view);
    if (!n) {
        gtk_tree_selection_unselect_all(selection);
        return true;
    }
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    if (!nth_row(model, *n, &iter))
        return false;
    if (scroll) {
        TreePathPtr path(gtk_tree_model_get_path(model, &iter));
        gtk_tree_view_scroll_to_cell(view, path.get(), nullptr, FALSE, 0, 0);
    }
    gtk_tree_selection_select_iter(selection, &iter);
    return true;
}

bool set_cursor_row(GtkTreeView* view, std::uint32_t n, GtkTreeViewColumn* column)
{
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    if (!nth_row(model, n, &iter))
        return false;
    TreePathPtr path(gtk_tree_model_get_path(model, &iter));
    gtk_tree_view_scroll_to_cell(view, path.get(), nullptr, FALSE, 0, 0);
    gtk_tree_view_set_cursor(view, path.get(), column, FALSE);
    return true;
}

namespace {

constexpr const char* FIXED_WIDTH_KEY = "tembrel-fixed-width";

// The width a fixed column's header button needs for its title.
int header_width(GtkTreeViewColumn* column)
{
    GtkWidget* header = list_column_header(column);
    if (!header)
        return 0;
    GtkRequisition size;
    gtk_widget_size_request(header, &size);
    return size.width;
}

// Fixed columns are widened to their titles when the list is realized (its
// headers have their font by then) and again when its style changes.
void fit_fixed_columns(GtkWidget* widget)
{
    GListPtr columns(gtk_tree_view_get_columns(GTK_TREE_VIEW(widget)));
    for (GList* l = columns.get(); l; l = l->next) {
        auto* column = GTK_TREE_VIEW_COLUMN(l->data);
        const int base = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(column), FIXED_WIDTH_KEY));
        if (base > 0)
            gtk_tree_view_column_set_fixed_width(column, std::max(base, header_width(column)));
    }
}
void on_fixed_list_realize(GtkWidget* widget, gpointer)
{
    fit_fixed_columns(widget);
}
void on_fixed_list_style_set(GtkWidget* widget, GtkStyle*, gpointer)
{
    if (gtk_widget_get_realized(widget))
        fit_fixed_columns(widget);
}

} // namespace

GtkTreeViewColumn* add_list_column(GtkTreeView* view, const char* title, GtkCellRenderer* cell, float xalign,
    GtkTreeCellDataFunc fill, gpointer data, int width)
{
    g_object_set(cell, "xalign", xalign, nullptr);
    GtkTreeViewColumn* column = gtk_tree_view_column_new();
    gtk_tree_view_column_set_title(column, title);
    gtk_tree_view_column_set_alignment(column, 0.5f);
    gtk_tree_view_column_pack_start(column, cell, TRUE);
    gtk_tree_view_column_set_cell_data_func(column, cell, fill, data, nullptr);
    // A label of the column's own, so that its size can be asked for.
    GtkWidget* label = gtk_label_new(title);
    gtk_widget_show(label);
    gtk_tree_view_column_set_widget(column, label);
    if (width > 0) {
        gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
        gtk_tree_view_column_set_fixed_width(column, width);
        g_object_set_data(G_OBJECT(column), FIXED_WIDTH_KEY, GINT_TO_POINTER(width));
        if (!g_object_get_data(G_OBJECT(view), FIXED_WIDTH_KEY)) {
            g_object_set_data(G_OBJECT(view), FIXED_WIDTH_KEY, GINT_TO_POINTER(1));
            g_signal_connect_after(view, "realize", G_CALLBACK(on_fixed_list_realize), nullptr);
            g_signal_connect_after(view, "style-set", G_CALLBACK(on_fixed_list_style_set), nullptr);
        }
    }
    gtk_tree_view_append_column(view, column);
    return column;
}

void run_pending_events()
{
    while (gtk_events_pending())
        gtk_main_iteration();
}

std::string printf_text(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    GCharPtr text(g_strdup_vprintf(format, args));
    va_end(args);
    return text.get();
}

GtkWidget* list_column_header(GtkTreeViewColumn* column)
{
    // The title's label sits inside the header button, which adds its
    // border, focus line and padding.
    GtkWidget* w = gtk_tree_view_column_get_widget(column);
    while (w && !GTK_IS_BUTTON(w))
        w = gtk_widget_get_parent(w);
    return w;
}

void share_button_width(GtkWidget* column)
{
    GtkSizeGroup* group = gtk_size_group_new(GTK_SIZE_GROUP_HORIZONTAL);
    GListPtr boxes(gtk_container_get_children(GTK_CONTAINER(column)));
    for (GList* b = boxes.get(); b; b = b->next) {
        if (!GTK_IS_CONTAINER(b->data))
            continue;
        GListPtr buttons(gtk_container_get_children(GTK_CONTAINER(b->data)));
        for (GList* l = buttons.get(); l; l = l->next)
            if (GTK_IS_BUTTON(l->data))
                gtk_size_group_add_widget(group, GTK_WIDGET(l->data));
    }
    // The buttons hold the group from here on.
    g_object_unref(group);
}

void set_button_state(GtkWidget* button, bool on, const char* does, const std::string& why_not)
{
    gtk_widget_set_sensitive(button, on ? TRUE : FALSE);
    const std::string tip = on || why_not.empty() ? std::string(does) : std::string(does) + "\n" + why_not;
    gtk_widget_set_tooltip_text(button, tip.c_str());
}

const char* no_database_hint()
{
    return _("Open a speech database with File > Open (Ctrl+O)");
}

namespace {

constexpr const char* HINT_KEY = "tembrel-list-hint";
// Room kept free on either side of a hint that has to wrap.
constexpr int HINT_MARGIN = 12;

// Draws the hint into the rows' area, which the window system has just
// cleared; a list without rows draws nothing there itself. (It has to come
// before the list's own handler, which ends the signal.)
gboolean on_hint_list_expose_event(GtkWidget* widget, GdkEventExpose* event, gpointer)
{
    auto* view = GTK_TREE_VIEW(widget);
    const auto* hint = static_cast<const char*>(g_object_get_data(G_OBJECT(widget), HINT_KEY));
    GdkWindow* rows = gtk_tree_view_get_bin_window(view);
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    if (!hint || event->window != rows || (model && gtk_tree_model_iter_n_children(model, nullptr) > 0))
        return FALSE;
    // The part of the rows area the list shows (the area itself may be
    // taller while its size catches up with the list's).
    GdkRectangle shown;
    gtk_tree_view_get_visible_rect(view, &shown);
    int left = 0;
    int top = 0;
    gtk_tree_view_convert_tree_to_bin_window_coords(view, shown.x, shown.y, &left, &top);
    const int width = shown.width;
    const int height = shown.height;
    GObjectPtr<PangoLayout> layout(gtk_widget_create_pango_layout(widget, hint));
    pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(layout.get(), std::max(1, width - 2 * HINT_MARGIN) * PANGO_SCALE);
    PangoRectangle ink;
    pango_layout_get_pixel_extents(layout.get(), &ink, nullptr);
    // The layout's box is as wide as the list; its ink is what is centred.
    const int x = left + (width - ink.width) / 2 - ink.x;
    const int y = top + (height - ink.height) / 2 - ink.y;
    gtk_paint_layout(gtk_widget_get_style(widget), rows, GTK_STATE_INSENSITIVE, TRUE, &event->area, widget,
        "tembrel-list-hint", x, y, layout.get());
    return FALSE;
}

} // namespace

void list_set_hint(GtkTreeView* view, const char* hint)
{
    if (!g_object_get_data(G_OBJECT(view), "tembrel-hint-connected")) {
        g_signal_connect(view, "expose-event", G_CALLBACK(on_hint_list_expose_event), nullptr);
        g_object_set_data(G_OBJECT(view), "tembrel-hint-connected", GINT_TO_POINTER(1));
    }
    g_object_set_data_full(G_OBJECT(view), HINT_KEY, hint ? g_strdup(hint) : nullptr, g_free);
    gtk_widget_queue_draw(GTK_WIDGET(view));
}

// GTK's convention: FALSE when the row matches.
static gboolean number_search_equal(GtkTreeModel* model, gint, const gchar* key, GtkTreeIter* iter, gpointer)
{
    const std::string shown = std::to_string(std::uint64_t(row_value(model, iter)) + 1);
    return key && g_str_has_prefix(shown.c_str(), key) ? FALSE : TRUE;
}

void enable_number_search(GtkTreeView* view)
{
    gtk_tree_view_set_enable_search(view, TRUE);
    gtk_tree_view_set_search_column(view, 0);
    gtk_tree_view_set_search_equal_func(view, number_search_equal, nullptr, nullptr);
}

void row_texts_changed(GtkTreeView* view, std::uint32_t row)
{
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    if (!nth_row(model, row, &iter))
        return;
    TreePathPtr path(gtk_tree_model_get_path(model, &iter));
    gtk_tree_model_row_changed(model, path.get(), &iter);
}

// Without an accessibility implementation loaded (a desktop loads one when
// assistive technology runs) every widget has ATK's no-op object, and no
// one but the view itself hears of a changed row.
static bool heard_by_assistive_technology(GtkTreeView* view)
{
    return !ATK_IS_NO_OP_OBJECT(gtk_widget_get_accessible(GTK_WIDGET(view)));
}

void all_row_texts_changed(GtkTreeView* view)
{
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    if (!model)
        return;
    // Rows of one fixed height need only a redraw to show new texts; told
    // one by one, 65,535 rows take longer than a frame.
    if (gtk_tree_view_get_fixed_height_mode(view) && !heard_by_assistive_technology(view)) {
        gtk_widget_queue_draw(GTK_WIDGET(view));
        return;
    }
    TreePathPtr path(gtk_tree_path_new_first());
    GtkTreeIter iter;
    for (bool more = gtk_tree_model_get_iter_first(model, &iter); more; more = gtk_tree_model_iter_next(model, &iter)) {
        gtk_tree_model_row_changed(model, path.get(), &iter);
        gtk_tree_path_next(path.get());
    }
}
