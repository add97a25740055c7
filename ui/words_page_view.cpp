// How the Words page looks: the word list above with its buttons, the list
// of phrases that use the selected word below with theirs. Both lists hold
// plain numbers (a word number, a phrase number) and draw every text from
// the database through cell data functions.
#include "ui/words_page_view.h"
#include "io/i18n.h"

#include "db/operations.h"
#include "ui/gtk_ptr.h"
#include "ui/key_burst.h"
#include "ui/play_session.h"
#include "ui/words_page_columns.h"
#include "ui/widgets.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int NUMBER_WIDTH = 50;
constexpr int CHANGED_WIDTH = 50;
// The alias column's starting width; it takes the room the others leave.
constexpr int ALIAS_WIDTH = 150;
// The usage list's one column starts this wide and takes the room left.
constexpr int USAGE_WIDTH = 80;

// ---- cell data functions; `data` is the page's WordsView ----

const WordsView& view_of(gpointer data)
{
    return *static_cast<const WordsView*>(data);
}

// A row's number counted from 1: a word in the word list, a phrase in the
// usage list.
void number_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    std::string text = std::to_string(std::uint64_t(row_value(model, iter)) + 1);
    g_object_set(cell, "text", text.c_str(), nullptr);
}

void alias_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer data)
{
    const WordsView& view = view_of(data);
    const char* alias = view.db ? word_alias(view.db, row_value(model, iter)) : nullptr;
    set_cell_text(cell, alias ? alias : "");
}

void changed_cell_data(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer data)
{
    const WordsView& view = view_of(data);
    gboolean changed = view.db && word_is_changed(view.db, row_value(model, iter));
    g_object_set(cell, "visible", changed, "active", changed, nullptr);
}

// ---- layout ----

// One part of the page: a row holding `list` in a scrolled window and a
// column for its buttons, which is returned.
GtkWidget* add_list_part(GtkWidget* page, GtkTreeView* list, gboolean expand)
{
    GtkWidget* part = gtk_hbox_new(FALSE, 0);
    gtk_box_pack_start(GTK_BOX(page), part, expand, expand, 0);
    gtk_box_pack_start(GTK_BOX(part), scrolled_list(GTK_WIDGET(list)), TRUE, TRUE, 0);
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
        *slot = gtk_button_new_with_mnemonic(label);
        gtk_box_pack_start(GTK_BOX(box), *slot, TRUE, TRUE, 0);
    }
}

GtkTreeView* new_list()
{
    GtkTreeView* list = GTK_TREE_VIEW(gtk_tree_view_new());
    gtk_tree_view_set_enable_search(list, FALSE);
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(list), GTK_SELECTION_SINGLE);
    return list;
}

// Every column has a fixed width, so the list runs in fixed-height mode:
// GTK then never measures rows it does not draw, and the levels of words
// that are not shown are never computed.
GtkTreeView* build_word_list(WordsView& view)
{
    GtkTreeView* list = new_list();
    enable_number_search(list);
    GtkTreeViewColumn* number_column
        = add_list_column(list, "#", gtk_cell_renderer_text_new(), 0.5f, number_cell_data, nullptr, NUMBER_WIDTH);
    gtk_tree_view_column_set_sort_column_id(number_column, int(WordSort::Number));

    view.w.alias_renderer = gtk_cell_renderer_text_new();
    g_object_set(view.w.alias_renderer, "editable", TRUE, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    GtkTreeViewColumn* alias_column
        = add_list_column(list, _("Alias"), view.w.alias_renderer, 0.0f, alias_cell_data, &view, ALIAS_WIDTH);
    view.w.alias_column = alias_column;
    gtk_tree_view_column_set_resizable(alias_column, TRUE);
    gtk_tree_view_column_set_expand(alias_column, TRUE);

    view.w.changed_renderer = gtk_cell_renderer_toggle_new();
    add_list_column(list, _("Changed"), view.w.changed_renderer, 0.5f, changed_cell_data, &view, CHANGED_WIDTH);
    words_columns_add(list, &view.db);
    gtk_tree_view_set_fixed_height_mode(list, TRUE);
    key_burst_watch(GTK_WIDGET(list));
    return list;
}

// The word list's sort model and the store of word numbers under it.
GtkTreeModelSort* sort_model(const WordsView& view)
{
    GtkTreeModel* model = gtk_tree_view_get_model(view.w.word_list);
    return model && GTK_IS_TREE_MODEL_SORT(model) ? GTK_TREE_MODEL_SORT(model) : nullptr;
}

// The path of the row showing word `word`, if any.
TreePathPtr word_path(const WordsView& view, std::uint32_t word)
{
    GtkTreeModelSort* sorted = sort_model(view);
    const std::optional<std::uint32_t> row = list_rows_find(view.rows, word);
    if (!sorted || !row || *row >= std::uint32_t(G_MAXINT))
        return nullptr;
    TreePathPtr child(gtk_tree_path_new_from_indices(int(*row), -1));
    GtkTreeIter iter;
    if (!gtk_tree_model_get_iter(gtk_tree_model_sort_get_model(sorted), &iter, child.get()))
        return nullptr;
    return TreePathPtr(gtk_tree_model_sort_convert_child_path_to_path(sorted, child.get()));
}

GtkTreeView* build_usage_list()
{
    GtkTreeView* list = new_list();
    enable_number_search(list);
    GtkTreeViewColumn* column
        = add_list_column(list, _("Phrase"), gtk_cell_renderer_text_new(), 0.0f, number_cell_data, nullptr, USAGE_WIDTH);
    gtk_tree_view_column_set_expand(column, TRUE);
    // A word may be used by hundreds of phrases: rows of one height, never
    // measured one by one when the list is refilled.
    gtk_tree_view_set_fixed_height_mode(list, TRUE);
    gtk_tree_view_set_headers_visible(list, FALSE);
    key_burst_watch(GTK_WIDGET(list));
    return list;
}

} // namespace

GtkWidget* words_view_build(WordsView& view)
{
    WordsPageWidgets& b = view.w;
    GtkWidget* page = gtk_vbox_new(FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(page), 5);

    b.filter = filter_bar_new(_("F_ilter:"), _("Filter words"),
        _("Shows the words whose alias contains what you type, a word by its number (12 or #12), the words no "
          "phrase uses (unused) or those with a replaced recording (changed). Ctrl+F comes here, Escape empties "
          "it."));
    gtk_box_pack_start(GTK_BOX(page), b.filter.box, FALSE, FALSE, 3);
    // The word list above takes the height the window gains; the user moves
    // the line between it and the usage list.
    GtkWidget* pane = gtk_vpaned_new();
    gtk_widget_set_name(pane, WORDS_PANE_NAME);
    gtk_box_pack_start(GTK_BOX(page), pane, TRUE, TRUE, 0);
    GtkWidget* upper = gtk_vbox_new(FALSE, 0);
    gtk_paned_pack1(GTK_PANED(pane), upper, TRUE, FALSE);
    b.word_list = build_word_list(view);
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(b.word_list)), _("Words"));
    GtkWidget* word_buttons = add_list_part(upper, b.word_list, TRUE);
    add_button_box(word_buttons, { { _("_Play"), &b.play } });
    b.stop = play_session_stop_button_new();
    gtk_box_pack_start(GTK_BOX(gtk_widget_get_parent(b.play)), b.stop, TRUE, TRUE, 0);
    add_button_box(word_buttons, { { _("_Replace"), &b.replace }, { _("Re_cord"), &b.record } });
    add_button_box(word_buttons, { { _("Move _Up"), &b.move_up }, { _("Move _Down"), &b.move_down } });
    add_button_box(word_buttons, { { _("_Add"), &b.add }, { _("Re_move"), &b.remove } });
    add_button_box(word_buttons, { { _("E_xport WAV…"), &b.save } });
    share_button_width(word_buttons);

    gtk_box_pack_start(GTK_BOX(upper), waveform_build(view.wave), FALSE, FALSE, 3);

    // The usage part keeps its natural height; the word list takes the rest.
    GtkWidget* lower = gtk_vbox_new(FALSE, 0);
    gtk_paned_pack2(GTK_PANED(pane), lower, FALSE, FALSE);
    b.usage_list = build_usage_list();
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(b.usage_list)), _("Phrases using word"));
    GtkWidget* usage_buttons = add_list_part(lower, b.usage_list, TRUE);
    add_button_box(usage_buttons, { { _("Play Phra_se"), &b.play_phrase }, { _("Play A_ll"), &b.play_all } });
    add_button_box(usage_buttons, { { _("_Go To Phrase"), &b.go_to_phrase } });
    share_button_width(usage_buttons);
    return page;
}

void words_view_set_rows(WordsView& view, ListRows rows)
{
    view.rows = std::move(rows);
    GtkListStorePtr store(gtk_list_store_new(1, G_TYPE_UINT));
    if (view.rows.shown) {
        for (std::uint32_t n : *view.rows.shown)
            gtk_list_store_insert_with_values(store.get(), nullptr, -1, 0, guint(n), -1);
    } else {
        store = number_store_new(view.rows.total);
    }
    GtkTreeModelRef sorted(gtk_tree_model_sort_new_with_model(GTK_TREE_MODEL(store.get())));
    GtkTreeSortable* sortable = GTK_TREE_SORTABLE(sorted.get());
    words_columns_set_sort_funcs(sortable, &view.db);
    // The order the user chose stays with the next database.
    gint column = 0;
    GtkSortType order = GTK_SORT_ASCENDING;
    if (GtkTreeModelSort* old = sort_model(view))
        if (gtk_tree_sortable_get_sort_column_id(GTK_TREE_SORTABLE(old), &column, &order))
            gtk_tree_sortable_set_sort_column_id(sortable, column, order);
    gtk_tree_view_set_model(view.w.word_list, sorted.get());
}

GtkListStore* words_view_store(const WordsView& view)
{
    GtkTreeModelSort* sorted = sort_model(view);
    return sorted ? GTK_LIST_STORE(gtk_tree_model_sort_get_model(sorted)) : nullptr;
}

bool words_view_select_word(WordsView& view, std::optional<std::uint32_t> word, bool scroll)
{
    GtkTreeView* list = view.w.word_list;
    if (!word) {
        gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(list));
        return true;
    }
    TreePathPtr path = word_path(view, *word);
    if (!path)
        return false;
    if (scroll)
        gtk_tree_view_scroll_to_cell(list, path.get(), nullptr, FALSE, 0, 0);
    gtk_tree_selection_select_path(gtk_tree_view_get_selection(list), path.get());
    return true;
}

bool words_view_set_cursor_word(WordsView& view, std::uint32_t word)
{
    GtkTreeView* list = view.w.word_list;
    TreePathPtr path = word_path(view, word);
    if (!path)
        return false;
    gtk_tree_view_scroll_to_cell(list, path.get(), nullptr, FALSE, 0, 0);
    gtk_tree_view_set_cursor(list, path.get(), gtk_tree_view_get_column(list, 0), FALSE);
    return true;
}

std::optional<std::uint32_t> words_view_selected_word(const WordsView& view)
{
    return selected_row_value(view.w.word_list);
}

std::optional<std::uint32_t> words_view_selected_usage_phrase(const WordsView& view)
{
    return selected_row_value(view.w.usage_list);
}

void words_view_word_changed(WordsView& view, std::uint32_t word)
{
    GtkTreeModel* model = gtk_tree_view_get_model(view.w.word_list);
    TreePathPtr path = word_path(view, word);
    GtkTreeIter iter;
    if (path && gtk_tree_model_get_iter(model, &iter, path.get()))
        gtk_tree_model_row_changed(model, path.get(), &iter);
}

void words_view_show_waveform(WordsView& view)
{
    const std::optional<std::uint32_t> w = words_view_selected_word(view);
    const WordEntry* word = view.db && w ? db_word(view.db, *w) : nullptr;
    if (!word) {
        waveform_show(view.wave, {}, 0, _("Waveform"));
        return;
    }
    GCharPtr name(g_strdup_printf(_("Waveform of word %u"), *w + 1));
    waveform_show(view.wave, { audio_summary(word->audio, view.db->sample_rate) }, view.db->sample_rate, name.get());
}

void words_view_update_buttons(const WordsView& view)
{
    const WordsPageWidgets& b = view.w;
    const std::optional<std::uint32_t> w = view.db ? words_view_selected_word(view) : std::nullopt;
    const bool phrase_selected = w && words_view_selected_usage_phrase(view).has_value();
    const std::uint32_t n = view.db ? word_count(view.db) : 0;
    const std::span<const std::uint32_t> usage = w ? word_usage(view.db, *w) : std::span<const std::uint32_t>();
    const bool used = !usage.empty();
    // Why a button that needs a selection cannot act: the first thing
    // missing.
    const std::string no_word = view.db ? _("Select a word first.") : no_database_hint();
    auto with_word = [&](bool ok, const std::string& why) { return !w ? no_word : ok ? std::string() : why; };
    const std::string no_phrase = with_word(phrase_selected, _("Select a phrase in the list below first."));

    set_button_state(b.play, w.has_value(), _("Plays the selected word (Space)."), no_word);
    set_button_state(b.replace, w.has_value(), _("Replaces the selected word's recording from a sound file."), no_word);
    set_button_state(b.record, w.has_value(), _("Records the selected word from the microphone (Ctrl+R)."), no_word);
    set_button_state(b.move_up, w && *w != 0, _("Moves the selected word one place up; phrases still speak it."),
        with_word(w && *w != 0, _("The first word cannot move up.")));
    set_button_state(b.move_down, w && *w + 1 < n, _("Moves the selected word one place down; phrases still speak it."),
        with_word(w && *w + 1 < n, _("The last word cannot move down.")));
    const bool room = w && n < word_limit(view.db);
    set_button_state(b.add, room, _("Adds a word after the selected one, with a copy of word 1's recording."),
        with_word(room,
            view.db ? printf_text(_("This database holds at most %u words."), unsigned(word_limit(view.db))) : ""));
    std::vector<std::uint32_t> phrases(usage.begin(), usage.end());
    phrases.erase(std::unique(phrases.begin(), phrases.end()), phrases.end());
    set_button_state(b.remove, w && !used, _("Removes the selected word."),
        with_word(!used,
            printf_text(ngettext("A word that phrases use cannot be removed: it is used by %u phrase.",
                            "A word that phrases use cannot be removed: it is used by %u phrases.", phrases.size()),
                unsigned(phrases.size()))));
    set_button_state(b.save, w.has_value(), _("Saves the selected word's recording as a WAV file."), no_word);
    set_button_state(b.play_phrase, phrase_selected, _("Plays the selected phrase (Space)."), no_phrase);
    set_button_state(b.play_all, used, _("Plays every phrase that uses the selected word, one after the other."),
        with_word(used, _("No phrase uses this word.")));
    set_button_state(b.go_to_phrase, phrase_selected, _("Shows the selected phrase on the Phrases page."), no_phrase);
    gtk_widget_set_sensitive(b.filter.entry, view.db != nullptr);
}
