// The Words page: its layout, the word list and the usage list (stores of
// plain numbers drawn through cell data functions), the sensitivity of its
// buttons, and the hooks the shell calls (reload, shown, show word).
#include "ui/words_page.h"

#include "db/operations.h"
#include "ui/play_session.h"
#include "ui/shell.h"
#include "ui/widgets.h"
#include "ui/words_page_state.h"

#include <cstring>
#include <string>
#include <vector>

WordsPageState words_page;

namespace {

void set_text_number(GtkCellRenderer* cell, std::uint32_t value)
{
    std::string text = std::to_string(std::uint64_t(value) + 1);
    g_object_set(cell, "text", text.c_str(), nullptr);
}

void number_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    set_text_number(cell, row_value(model, iter));
}

void alias_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    const char* alias = words_page.db ? word_alias(words_page.db, row_value(model, iter)) : nullptr;
    set_cell_text(cell, alias ? alias : "");
}

void changed_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    gboolean changed = words_page.db && word_is_changed(words_page.db, row_value(model, iter));
    g_object_set(cell, "visible", changed, "active", changed, nullptr);
}

constexpr int NUMBER_WIDTH = 50;
constexpr int CHANGED_WIDTH = 50;

// One part of the page: a row holding `view` in a scrolled window and a
// column for its buttons, which is returned.
GtkWidget* add_list_part(GtkWidget* page, GtkTreeView* view, gboolean expand)
{
    GtkWidget* part = gtk_hbox_new(FALSE, 0);
    gtk_box_pack_start(GTK_BOX(page), part, expand, expand, 0);
    gtk_box_pack_start(GTK_BOX(part), scrolled_list(GTK_WIDGET(view)), TRUE, TRUE, 0);
    GtkWidget* buttons = gtk_vbox_new(FALSE, 0);
    gtk_box_pack_start(GTK_BOX(part), buttons, FALSE, FALSE, 10);
    return buttons;
}

// A vertical button box packed into `column`, holding one button per label.
void add_button_box(GtkWidget* column, std::initializer_list<std::pair<const char*, GtkWidget**>> buttons)
{
    GtkWidget* box = gtk_vbutton_box_new();
    gtk_box_pack_start(GTK_BOX(column), box, FALSE, FALSE, 3);
    for (const auto& [label, slot] : buttons) {
        *slot = gtk_button_new_with_label(label);
        gtk_box_pack_start(GTK_BOX(box), *slot, TRUE, TRUE, 0);
    }
}

GtkTreeView* new_list_view()
{
    GtkTreeView* view = GTK_TREE_VIEW(gtk_tree_view_new());
    gtk_tree_view_set_enable_search(view, FALSE);
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(view), GTK_SELECTION_SINGLE);
    return view;
}

void on_word_selection_changed(GtkTreeSelection*, gpointer) { words_page_refresh_usage_list(); }

void on_usage_selection_changed(GtkTreeSelection*, gpointer) { words_page_update_buttons(); }

void on_alias_edited(GtkCellRendererText*, gchar* path, gchar* text, gpointer)
{
    GtkTreeModel* model = gtk_tree_view_get_model(words_page.w.word_list);
    GtkTreeIter iter;
    if (!words_page.db || !model || !text || !gtk_tree_model_get_iter_from_string(model, &iter, path))
        return;
    std::uint32_t word = row_value(model, &iter);
    if (!*text) {
        word_set_alias(words_page.db, word, nullptr);
    } else {
        // Sized to the text, so normalising never has to cut it.
        std::vector<char> alias(std::strlen(text) + 1);
        if (parse_word_ref(text, alias.data(), alias.size(), nullptr) != WORD_REF_ALIAS)
            return;
        // Refused silently when another word has this alias.
        word_set_alias(words_page.db, word, alias.data());
    }
    words_page_redraw_word_list();
}

void on_changed_toggled(GtkCellRendererToggle*, gchar* path, gpointer)
{
    GtkTreeModel* model = gtk_tree_view_get_model(words_page.w.word_list);
    GtkTreeIter iter;
    if (!words_page.db || !model || !gtk_tree_model_get_iter_from_string(model, &iter, path))
        return;
    word_revert_audio(words_page.db, row_value(model, &iter));
    words_page_refresh_usage_list();
    words_page_redraw_word_list();
}

void build_word_list(GtkTreeView* view)
{
    add_list_column(view, "#", gtk_cell_renderer_text_new(), 0.5f, number_cell_data, NUMBER_WIDTH);

    GtkCellRenderer* alias = gtk_cell_renderer_text_new();
    g_object_set(alias, "editable", TRUE, nullptr);
    GtkTreeViewColumn* alias_column = add_list_column(view, "Alias", alias, 0.0f, alias_cell_data);
    gtk_tree_view_column_set_sizing(alias_column, GTK_TREE_VIEW_COLUMN_AUTOSIZE);
    gtk_tree_view_column_set_expand(alias_column, TRUE);
    g_signal_connect(alias, "edited", G_CALLBACK(on_alias_edited), nullptr);

    GtkCellRenderer* changed = gtk_cell_renderer_toggle_new();
    add_list_column(view, "Changed", changed, 0.5f, changed_cell_data, CHANGED_WIDTH);
    g_signal_connect(changed, "toggled", G_CALLBACK(on_changed_toggled), nullptr);

    g_signal_connect(gtk_tree_view_get_selection(view), "changed", G_CALLBACK(on_word_selection_changed), nullptr);
}

void build_usage_list(GtkTreeView* view)
{
    add_list_column(view, "Phrase", gtk_cell_renderer_text_new(), 0.0f, number_cell_data);
    gtk_tree_view_set_headers_visible(view, FALSE);
    g_signal_connect(gtk_tree_view_get_selection(view), "changed", G_CALLBACK(on_usage_selection_changed), nullptr);
}

void set_sensitive(GtkWidget* button, bool on) { gtk_widget_set_sensitive(button, on ? TRUE : FALSE); }

} // namespace

int words_page_selected_word() { return selected_row_value(words_page.w.word_list); }
int words_page_selected_usage_phrase() { return selected_row_value(words_page.w.usage_list); }

bool words_page_playing() { return play_session_playing(PageId::Words); }
const WordsPageWidgets& words_page_widgets() { return words_page.w; }

void words_page_redraw_word_list() { gtk_widget_queue_draw(GTK_WIDGET(words_page.w.word_list)); }

void words_page_select_word(int n) { select_row(words_page.w.word_list, n, true); }

void words_page_update_buttons()
{
    // A play leaves the buttons as they were; its end sets them.
    if (words_page_playing())
        return;
    const WordsPageWidgets& b = words_page.w;
    int w = words_page_selected_word();
    if (w < 0 || !words_page.db) {
        for (GtkWidget* button : {b.play, b.replace, b.move_up, b.move_down, b.add, b.remove, b.save,
                                  b.play_phrase, b.play_all, b.go_to_phrase})
            set_sensitive(button, false);
        return;
    }
    int p = words_page_selected_usage_phrase();
    std::uint32_t n = word_count(words_page.db);
    const ItemList* u = word_usage(words_page.db, std::uint32_t(w));
    set_sensitive(b.play, true);
    set_sensitive(b.replace, true);
    set_sensitive(b.move_up, w != 0);
    set_sensitive(b.move_down, std::uint32_t(w) + 1 < n);
    set_sensitive(b.add, n < word_limit(words_page.db));
    set_sensitive(b.remove, u == nullptr);
    set_sensitive(b.save, true);
    set_sensitive(b.play_phrase, p >= 0);
    set_sensitive(b.play_all, u != nullptr);
    set_sensitive(b.go_to_phrase, p >= 0);
}

void words_page_refresh_usage_list()
{
    // Replacing the usage list under a running Play All would pull the rows
    // it walks from under it: that waits for the play's end.
    if (words_page_playing()) {
        play_session_defer(Deferred::PageWork, words_page_refresh_usage_list);
        return;
    }
    GtkTreeView* view = words_page.w.usage_list;
    gtk_tree_view_set_model(view, nullptr);
    int w = words_page_selected_word();
    const ItemList* u = w >= 0 && words_page.db ? word_usage(words_page.db, std::uint32_t(w)) : nullptr;
    if (u) {
        // Rows hold phrase numbers here, not 0 .. n - 1.
        GtkListStorePtr store(gtk_list_store_new(1, G_TYPE_UINT));
        for (std::uint32_t i = 0; i < list_count(u); ++i)
            gtk_list_store_insert_with_values(store.get(), nullptr, -1, 0, guint(list_get(u, i)), -1);
        gtk_tree_view_set_model(view, GTK_TREE_MODEL(store.get()));
    }
    // Also when the selection went away: no button may act on a word that
    // is no longer selected.
    words_page_update_buttons();
}

void words_page_build(GtkNotebook* notebook)
{
    // The shell may build the window more than once (the GUI tests do).
    words_page = WordsPageState{};
    WordsPageWidgets& b = words_page.w;

    GtkWidget* page = gtk_vbox_new(FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(page), 5);

    b.word_list = new_list_view();
    build_word_list(b.word_list);
    GtkWidget* word_buttons = add_list_part(page, b.word_list, TRUE);
    add_button_box(word_buttons, {{"Play", &b.play}});
    add_button_box(word_buttons, {{"Replace", &b.replace}});
    add_button_box(word_buttons, {{"Move Up", &b.move_up}, {"Move Down", &b.move_down}});
    add_button_box(word_buttons, {{"Add", &b.add}, {"Remove", &b.remove}});
    add_button_box(word_buttons, {{"Save", &b.save}});

    gtk_box_pack_start(GTK_BOX(page), gtk_hseparator_new(), FALSE, FALSE, 3);

    // The usage part keeps its natural height; the word list takes the rest.
    b.usage_list = new_list_view();
    build_usage_list(b.usage_list);
    GtkWidget* usage_buttons = add_list_part(page, b.usage_list, FALSE);
    add_button_box(usage_buttons, {{"Play Phrase", &b.play_phrase}, {"Play All", &b.play_all}});
    add_button_box(usage_buttons, {{"Go To Phrase", &b.go_to_phrase}});

    words_page_connect_actions();
    gtk_notebook_append_page(notebook, page, gtk_label_new("Words"));
}

void words_page_reload(SpeechDb* db)
{
    GtkListStorePtr store = number_store_new(db ? word_count(db) : 0);
    play_session_database_changed();
    words_page.db = db;
    gtk_tree_view_set_model(words_page.w.word_list, GTK_TREE_MODEL(store.get()));
    // Setting a model drops the selection; make sure the usage list of the
    // old database goes with it even when GTK had nothing to unselect.
    words_page_refresh_usage_list();
    if (db)
        word_build_usage(db);
}

void words_page_shown()
{
    // Rebuilding every usage list waits for the end of a play, like a
    // refresh.
    if (words_page_playing()) {
        play_session_defer(Deferred::PageWork, words_page_shown);
        return;
    }
    if (!words_page.db) {
        words_page_update_buttons();
        return;
    }
    word_build_usage(words_page.db);
    words_page_refresh_usage_list();
    words_page_update_buttons();
}

void words_page_show_word(std::uint32_t word)
{
    GtkTreeView* view = words_page.w.word_list;
    if (words_page.db)
        set_cursor_row(view, word, gtk_tree_view_get_column(view, 0));
}
