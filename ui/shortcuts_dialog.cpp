// The table of keyboard shortcuts under Help.
#include "ui/shortcuts_dialog.h"
#include "io/i18n.h"

#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"

#include <gdk/gdkkeysyms.h>

namespace {

// Keys the lists and entries handle themselves, not through the menus.
struct WidgetKey {
    const char* action;
    const char* keys;
};
constexpr WidgetKey WIDGET_KEYS[] = {
    { N_("Play the selected phrase or word, or stop the play (in a list)"), N_("Space") },
    { N_("Stop the play"), N_("Escape") },
    { N_("Empty the filter (in the filter)"), N_("Escape") },
    { N_("Edit the selected cell"), N_("Enter") },
    { N_("Find a row by its number (in a list)"), N_("type the number") },
    { N_("Move between the controls"), N_("Tab, Shift+Tab") },
    { N_("Go to another page"), N_("Ctrl+Page Down, Ctrl+Page Up") },
};

// The text a menu item or button shows, without its mnemonic marks.
std::string shown_label(GtkWidget* widget)
{
    if (GTK_IS_MENU_ITEM(widget)) {
        GtkWidget* child = gtk_bin_get_child(GTK_BIN(widget));
        return GTK_IS_LABEL(child) ? gtk_label_get_text(GTK_LABEL(child)) : "";
    }
    if (GTK_IS_BUTTON(widget)) {
        GCharPtr text(g_strdup(gtk_button_get_label(GTK_BUTTON(widget))));
        std::string plain;
        for (const char* c = text ? text.get() : ""; *c; ++c)
            if (*c != '_' || c[1] == '_')
                plain += *c == '_' ? *++c : *c;
        return plain;
    }
    return "";
}

// The tab of the notebook page `widget` lies on, or null off the pages.
const char* page_tab(GtkWidget* widget)
{
    for (GtkWidget* child = widget; child; child = gtk_widget_get_parent(child))
        if (GtkWidget* parent = gtk_widget_get_parent(child); GTK_IS_NOTEBOOK(parent))
            return gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(parent), child);
    return nullptr;
}

// "File > Open" for a menu item, "Words > Record" for a button on a page,
// the label alone for anything else: the same names the letters' rows use.
std::string action_name(GtkWidget* widget)
{
    std::string name = shown_label(widget);
    GtkWidget* menu = gtk_widget_get_parent(widget);
    if (GTK_IS_MENU(menu)) {
        if (GtkWidget* top = gtk_menu_get_attach_widget(GTK_MENU(menu)))
            name = shown_label(top) + " > " + name;
    } else if (const char* tab = page_tab(widget)) {
        name = std::string(tab) + " > " + name;
    }
    return name;
}

gboolean collect_entry(GtkAccelKey* key, GClosure* closure, gpointer data)
{
    auto* list = static_cast<std::vector<Shortcut>*>(data);
    // An accelerator added to a widget carries that widget as its data.
    auto* widget = static_cast<GtkWidget*>(closure->data);
    if (key->accel_key == 0 || !GTK_IS_WIDGET(widget) || !(key->accel_flags & GTK_ACCEL_VISIBLE))
        return FALSE;
    GCharPtr keys(gtk_accelerator_get_label(key->accel_key, key->accel_mods));
    list->push_back({ action_name(widget), keys.get(), key->accel_key, key->accel_mods });
    return FALSE;
}

// The row for a label's underlined letter, when it has one: Alt and the
// letter, named "`place` > what the label says" without a closing colon.
void add_mnemonic(GtkWidget* label, const std::string& place, std::vector<Shortcut>& list)
{
    const guint key = gtk_label_get_mnemonic_keyval(GTK_LABEL(label));
    if (key == GDK_KEY_VoidSymbol)
        return;
    std::string name = gtk_label_get_text(GTK_LABEL(label));
    if (!name.empty() && name.back() == ':')
        name.pop_back();
    GCharPtr keys(gtk_accelerator_get_label(key, GDK_MOD1_MASK));
    list.push_back({ place + " > " + name, keys.get(), key, GDK_MOD1_MASK, true });
}

// The underlined letters inside `widget`, depth first in packing order. A
// notebook's pages are named by their tabs; a menu bar's items open their
// menus.
void collect_mnemonics(GtkWidget* widget, const std::string& place, std::vector<Shortcut>& list)
{
    if (GTK_IS_LABEL(widget)) {
        add_mnemonic(widget, place, list);
    } else if (GTK_IS_MENU_BAR(widget)) {
        GListPtr items(gtk_container_get_children(GTK_CONTAINER(widget)));
        for (GList* l = items.get(); l; l = l->next) {
            GtkWidget* label = gtk_bin_get_child(GTK_BIN(l->data));
            const guint key = GTK_IS_LABEL(label) ? gtk_label_get_mnemonic_keyval(GTK_LABEL(label)) : 0;
            if (!key || key == GDK_KEY_VoidSymbol)
                continue;
            GCharPtr action(g_strdup_printf(_("Open the %s menu"), gtk_label_get_text(GTK_LABEL(label))));
            GCharPtr keys(gtk_accelerator_get_label(key, GDK_MOD1_MASK));
            list.push_back({ action.get(), keys.get(), key, GDK_MOD1_MASK, true });
        }
    } else if (GTK_IS_NOTEBOOK(widget)) {
        GtkNotebook* notebook = GTK_NOTEBOOK(widget);
        for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i) {
            GtkWidget* page = gtk_notebook_get_nth_page(notebook, i);
            const char* tab = gtk_notebook_get_tab_label_text(notebook, page);
            collect_mnemonics(page, tab ? tab : place, list);
        }
    } else if (GTK_IS_CONTAINER(widget)) {
        GListPtr children(gtk_container_get_children(GTK_CONTAINER(widget)));
        for (GList* l = children.get(); l; l = l->next)
            collect_mnemonics(GTK_WIDGET(l->data), place, list);
    }
}

} // namespace

std::vector<Shortcut> shortcuts_of(GtkWindow* window)
{
    std::vector<Shortcut> list;
    for (GSList* g = gtk_accel_groups_from_object(G_OBJECT(window)); g; g = g->next)
        gtk_accel_group_find(GTK_ACCEL_GROUP(g->data), collect_entry, &list);
    collect_mnemonics(GTK_WIDGET(window), "", list);
    for (const WidgetKey& k : WIDGET_KEYS)
        list.push_back({ _(k.action), _(k.keys) });
    return list;
}

void shortcuts_dialog_run()
{
    GtkWindow* parent = dialogs_parent();
    GtkWidget* dialog = gtk_dialog_new_with_buttons(
        _("Keyboard Shortcuts"), parent, GTK_DIALOG_MODAL, GTK_STOCK_CLOSE, GTK_RESPONSE_CLOSE, nullptr);
    gtk_window_set_default_size(GTK_WINDOW(dialog), 520, 440);

    GtkListStorePtr store(gtk_list_store_new(2, G_TYPE_STRING, G_TYPE_STRING));
    for (const Shortcut& s : parent ? shortcuts_of(parent) : std::vector<Shortcut>())
        gtk_list_store_insert_with_values(store.get(), nullptr, -1, 0, s.action.c_str(), 1, s.keys.c_str(), -1);
    GtkWidget* list = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store.get()));
    atk_object_set_name(gtk_widget_get_accessible(list), _("Keyboard shortcuts"));
    const char* titles[] = { _("Action"), _("Shortcut") };
    for (int i = 0; i < 2; ++i)
        gtk_tree_view_append_column(GTK_TREE_VIEW(list),
            gtk_tree_view_column_new_with_attributes(titles[i], gtk_cell_renderer_text_new(), "text", i, nullptr));
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scrolled), list);
    gtk_container_set_border_width(GTK_CONTAINER(scrolled), 6);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), scrolled, TRUE, TRUE, 0);
    gtk_widget_show_all(dialog);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}
