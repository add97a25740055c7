// The Words page: the word list and the list of phrases that use the
// selected word (how they look is in words_page_view.cpp), and what its
// buttons and cells do: play (words_page_play.cpp), replace and save a
// word's audio (words_page_files.cpp), edit its alias, undo a replaced
// recording, reorder, add and remove words, go to a phrase. The page's
// state is one record, handed to every handler as its user data.
#include "ui/words_page.h"
#include "io/i18n.h"

#include "db/operations.h"
#include "db/word_lookup.h"
#include "db/word_ref.h"
#include "ui/audio_summary_cache.h"
#include "ui/cell_retry.h"
#include "ui/go_to_dialog.h"
#include "ui/key_burst.h"
#include "ui/number_list.h"
#include "ui/gtk_ptr.h"
#include "ui/list_filter.h"
#include "ui/play_session.h"
#include "ui/record_dialog.h"
#include "ui/shell_navigation.h"
#include "ui/status_bar.h"
#include "ui/test_hooks.h"
#include "ui/widgets.h"
#include "ui/words_page_files.h"
#include "ui/words_page_play.h"
#include "ui/words_page_view.h"

#include <cstring>
#include <gdk/gdkkeysyms.h>
#include <vector>

namespace {

struct WordsPage {
    // The database (the shell's) and the widgets.
    WordsView view;
    // The waveform of a newly selected word, drawn once the queued input
    // is handled: a held key passes many words nobody looks at.
    AfterInput waveform;
};

// The one instance, for the whole program.
WordsPage the_page;

WordsPage& page_of(gpointer data)
{
    return *static_cast<WordsPage*>(data);
}

std::optional<std::uint32_t> selected_word(const WordsPage& page)
{
    return words_view_selected_word(page.view);
}

void show_count(WordsPage& page)
{
    const ListRows& rows = page.view.rows;
    filter_bar_show_count(page.view.w.filter, ngettext("%s word", "%s words", rows.total),
        ngettext("%s of %s word", "%s of %s words", rows.total), list_rows_count(rows), rows.total,
        rows.shown.has_value());
}

// Brings the rows up to date with the words and the filter. Without a
// filter the store only grows or shrinks at its end (an edit adds or
// removes one word); a filter is run again, since an edit renumbers words.
void show_rows(WordsPage& page)
{
    const std::uint32_t total = page.view.db ? word_count(page.view.db) : 0;
    const ListFilter filter = word_filter_parse(gtk_entry_get_text(GTK_ENTRY(page.view.w.filter.entry)));
    GtkListStore* store = words_view_store(page.view);
    if (filter.terms.empty() && !page.view.rows.shown && store) {
        page.view.rows.total = total;
        number_store_set_rows(store, total);
    } else {
        const std::optional<std::uint32_t> selected = words_view_selected_word(page.view);
        ListRows rows = { total, std::nullopt };
        if (!filter.terms.empty())
            rows.shown = word_filter_rows(page.view.db, filter);
        words_view_set_rows(page.view, std::move(rows));
        if (selected)
            words_view_select_word(page.view, *selected, true);
    }
    show_count(page);
}

// Whether word n has a row; a filter that hides it is emptied first.
bool word_shown(WordsPage& page, std::uint32_t n)
{
    if (!list_rows_find(page.view.rows, n) && page.view.rows.shown && n < page.view.rows.total)
        gtk_entry_set_text(GTK_ENTRY(page.view.w.filter.entry), "");
    return list_rows_find(page.view.rows, n).has_value();
}

// Selects word n and scrolls to it.
void select_word(WordsPage& page, std::uint32_t n)
{
    if (word_shown(page, n))
        words_view_select_word(page.view, n, true);
}

void redraw_word_list(WordsPage& page)
{
    gtk_widget_queue_draw(GTK_WIDGET(page.view.w.word_list));
}

void update_buttons(WordsPage& page)
{
    words_view_update_buttons(page.view);
}

// Also while Play All runs: it walks its own copy of the phrases and holds
// the rows it selects, and it ends once another word is selected.
void refresh_usage_list(WordsPage& page)
{
    GtkTreeView* list = page.view.w.usage_list;
    gtk_tree_view_set_model(list, nullptr);
    const std::optional<std::uint32_t> w = selected_word(page);
    const std::span<const std::uint32_t> u
        = w && page.view.db ? word_usage(page.view.db, *w) : std::span<const std::uint32_t>();
    if (!u.empty()) {
        // Rows hold phrase numbers here, not 0 .. n - 1: a copy of the
        // list, not a store node per row, since it changes with every word
        // a held key passes.
        NumberListPtr rows = number_list_new(std::vector<std::uint32_t>(u.begin(), u.end()));
        gtk_tree_view_set_model(list, rows.get());
    }
    after_input_schedule(
        page.waveform, [](gpointer data) { words_view_show_waveform(page_of(data).view); }, &page);
    // Also when the selection went away: no button may act on a word that
    // is no longer selected.
    update_buttons(page);
}

// Every edit first stops a running play: the database never changes under
// one. False when there is nothing to edit, or the play could not stop.
bool ready_to_edit(const WordsPage& page)
{
    return page.view.db && play_session_stop();
}

// ---- editing ----

void move_word(WordsPage& page, bool (*move)(SpeechDb*, std::uint32_t), std::int32_t step)
{
    const std::optional<std::uint32_t> w = selected_word(page);
    if (!w || !ready_to_edit(page) || !move(page.view.db, *w))
        return;
    if (page.view.rows.shown)
        show_rows(page);
    select_word(page, *w + step);
    redraw_word_list(page);
}

void add_word(WordsPage& page)
{
    const std::optional<std::uint32_t> w = selected_word(page);
    if (!w || !ready_to_edit(page) || !word_insert(page.view.db, *w))
        return;
    show_rows(page);
    select_word(page, *w + 1);
    redraw_word_list(page);
}

void remove_word(WordsPage& page)
{
    const std::optional<std::uint32_t> w = selected_word(page);
    if (!w || !ready_to_edit(page))
        return;
    // The database refuses a word that any phrase speaks. The list shown
    // may predate the edit that made it used, so it is refreshed to show
    // why the word stayed.
    if (!word_remove(page.view.db, *w)) {
        refresh_usage_list(page);
        return;
    }
    const std::uint32_t n = word_count(page.view.db);
    show_rows(page);
    // Removing the last word of the list selects the one before it; removing
    // the only word leaves nothing to select.
    if (*w < n)
        select_word(page, *w);
    else if (*w > 0)
        select_word(page, *w - 1);
    else
        words_view_select_word(page.view, std::nullopt, true);
    refresh_usage_list(page);
    redraw_word_list(page);
}

// The word a cell path names, if any.
std::optional<std::uint32_t> word_at_path(const WordsPage& page, const char* path)
{
    GtkTreeModel* model = gtk_tree_view_get_model(page.view.w.word_list);
    GtkTreeIter iter;
    if (!page.view.db || !model || !path || !gtk_tree_model_get_iter_from_string(model, &iter, path))
        return std::nullopt;
    return row_value(model, &iter);
}

// ---- signal handlers; `data` is the page ----

void on_word_selection_changed(GtkTreeSelection*, gpointer data)
{
    refresh_usage_list(page_of(data));
}

void on_filter_entry_changed(GtkEditable*, gpointer data)
{
    WordsPage& page = page_of(data);
    if (!page.view.db)
        return;
    show_rows(page);
    refresh_usage_list(page);
}

void on_usage_selection_changed(GtkTreeSelection*, gpointer data)
{
    update_buttons(page_of(data));
}

// Gives `word` the alias typed as `text` (an empty text removes it). Empty
// when done, otherwise why not, for the status bar.
std::string set_alias_from_text(WordsPage& page, std::uint32_t word, const char* text)
{
    SpeechDb* db = page.view.db;
    if (!*text) {
        word_set_alias(db, word, nullptr);
        return {};
    }
    // Sized to the text, so normalising never has to cut it.
    std::vector<char> alias(std::strlen(text) + 1);
    if (parse_word_ref(text, alias.data(), alias.size(), nullptr) != WordRef::Alias) {
        GCharPtr typed(g_strstrip(g_strdup(text)));
        if (g_ascii_isdigit(typed.get()[0]))
            return _("An alias cannot start with a digit");
        if (typed.get()[0] == '#')
            return _("An alias cannot start with '#': #12 is how word 12 is written");
        return _("An alias cannot be only blanks");
    }
    const std::uint32_t owner = word_find_alias(db, alias.data(), word);
    if (owner != WORD_NONE)
        return printf_text(_("The alias '%s' belongs to word %u"), alias.data(), unsigned(owner + 1));
    return word_set_alias(db, word, alias.data()) ? "" : _("The alias could not be set");
}

void on_alias_edited(GtkCellRendererText*, gchar* path, gchar* text, gpointer data)
{
    WordsPage& page = page_of(data);
    const std::optional<std::uint32_t> word = word_at_path(page, path);
    if (!word || !text || !ready_to_edit(page))
        return;
    const std::string refusal = set_alias_from_text(page, *word, text);
    if (!refusal.empty()) {
        // Kept for correction: the cell opens again with the typed text.
        status_bar_set(StatusContext::Feedback, refusal);
        const WordsPageWidgets& b = page.view.w;
        cell_retry_edit(b.word_list, b.alias_column, b.alias_renderer, path, text);
        return;
    }
    status_bar_clear(StatusContext::Feedback);
    words_view_word_changed(page.view, *word);
    redraw_word_list(page);
    shell_word_changed(*word);
}

void on_changed_toggled(GtkCellRendererToggle*, gchar* path, gpointer data)
{
    WordsPage& page = page_of(data);
    const std::optional<std::uint32_t> word = word_at_path(page, path);
    if (!word || !ready_to_edit(page))
        return;
    word_revert_audio(page.view.db, *word);
    refresh_usage_list(page);
    words_view_word_changed(page.view, *word);
    redraw_word_list(page);
}

void on_word_list_row_activated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer data)
{
    words_page_play_word(page_of(data).view);
}
void on_usage_list_row_activated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer data)
{
    words_page_play_phrase(page_of(data).view);
}
// Space on a list plays its selection or stops the play that runs.
gboolean on_word_list_key_press_event(GtkWidget*, GdkEventKey* event, gpointer data)
{
    WordsView& view = page_of(data).view;
    return play_session_space_key(event, [&view] { words_page_play_word(view); });
}
gboolean on_usage_list_key_press_event(GtkWidget*, GdkEventKey* event, gpointer data)
{
    WordsView& view = page_of(data).view;
    return play_session_space_key(event, [&view] { words_page_play_phrase(view); });
}
void on_play_clicked(GtkButton*, gpointer data)
{
    words_page_play_word(page_of(data).view);
}
void on_play_phrase_clicked(GtkButton*, gpointer data)
{
    words_page_play_phrase(page_of(data).view);
}
void on_play_all_clicked(GtkButton*, gpointer data)
{
    words_page_play_all(page_of(data).view);
}

// Replace and Record: `set_audio` gives the selected word new audio, then
// its waveform and its row (length, level, changed mark) are shown anew.
void change_selected_audio(WordsPage& page, bool (*set_audio)(SpeechDb*, std::uint32_t))
{
    const std::optional<std::uint32_t> w = selected_word(page);
    if (w && ready_to_edit(page) && set_audio(page.view.db, *w)) {
        after_input_cancel(page.waveform);
        words_view_show_waveform(page.view);
        redraw_word_list(page);
    }
}

void on_replace_clicked(GtkButton*, gpointer data)
{
    change_selected_audio(page_of(data), words_page_replace_audio);
}

void on_record_clicked(GtkButton*, gpointer data)
{
    change_selected_audio(page_of(data), record_dialog_run);
}
void on_save_clicked(GtkButton*, gpointer data)
{
    WordsPage& page = page_of(data);
    const std::optional<std::uint32_t> w = selected_word(page);
    // Reads the database only, so a play may go on meanwhile.
    if (page.view.db && w)
        words_page_export_audio(page.view.db, *w);
}

void on_move_up_clicked(GtkButton*, gpointer data)
{
    move_word(page_of(data), word_move_up, -1);
}
void on_move_down_clicked(GtkButton*, gpointer data)
{
    move_word(page_of(data), word_move_down, 1);
}
void on_add_clicked(GtkButton*, gpointer data)
{
    add_word(page_of(data));
}
void on_remove_clicked(GtkButton*, gpointer data)
{
    remove_word(page_of(data));
}

void on_go_to_phrase_clicked(GtkButton*, gpointer data)
{
    WordsPage& page = page_of(data);
    const std::optional<std::uint32_t> p = words_view_selected_usage_phrase(page.view);
    if (!page.view.db || !selected_word(page) || !p)
        return;
    shell_go_to_phrase(*p);
}

void connect_signals(WordsPage& page)
{
    const WordsPageWidgets& b = page.view.w;
    g_signal_connect(gtk_tree_view_get_selection(b.word_list), "changed", G_CALLBACK(on_word_selection_changed), &page);
    g_signal_connect(
        gtk_tree_view_get_selection(b.usage_list), "changed", G_CALLBACK(on_usage_selection_changed), &page);
    g_signal_connect(b.alias_renderer, "edited", G_CALLBACK(on_alias_edited), &page);
    g_signal_connect(b.changed_renderer, "toggled", G_CALLBACK(on_changed_toggled), &page);
    g_signal_connect(b.word_list, "row-activated", G_CALLBACK(on_word_list_row_activated), &page);
    g_signal_connect(b.usage_list, "row-activated", G_CALLBACK(on_usage_list_row_activated), &page);
    g_signal_connect(b.word_list, "key-press-event", G_CALLBACK(on_word_list_key_press_event), &page);
    g_signal_connect(b.usage_list, "key-press-event", G_CALLBACK(on_usage_list_key_press_event), &page);
    const std::pair<GtkWidget*, GCallback> buttons[] = {
        { b.play, G_CALLBACK(on_play_clicked) },
        { b.replace, G_CALLBACK(on_replace_clicked) },
        { b.record, G_CALLBACK(on_record_clicked) },
        { b.move_up, G_CALLBACK(on_move_up_clicked) },
        { b.move_down, G_CALLBACK(on_move_down_clicked) },
        { b.add, G_CALLBACK(on_add_clicked) },
        { b.remove, G_CALLBACK(on_remove_clicked) },
        { b.save, G_CALLBACK(on_save_clicked) },
        { b.play_phrase, G_CALLBACK(on_play_phrase_clicked) },
        { b.play_all, G_CALLBACK(on_play_all_clicked) },
        { b.go_to_phrase, G_CALLBACK(on_go_to_phrase_clicked) },
    };
    for (const auto& [button, handler] : buttons)
        g_signal_connect(button, "clicked", handler, &page);
    g_signal_connect(b.filter.entry, "changed", G_CALLBACK(on_filter_entry_changed), &page);
}

// Ctrl+R presses Record wherever the focus is; GTK lets the shortcut act
// only while the button can be pressed (the page shown, a word selected).
void add_record_shortcut(GtkWidget* inside, GtkWidget* record)
{
    GtkWidget* window = gtk_widget_get_toplevel(inside);
    if (!GTK_IS_WINDOW(window))
        return;
    GtkAccelGroup* accel = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(window), accel);
    g_object_unref(accel); // the window holds it now
    gtk_widget_add_accelerator(record, "clicked", accel, GDK_KEY_r, GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE);
}

} // namespace

namespace {

// The word list always has a model, if an empty one: a list without any
// draws its column headers as a thin strip. Without a database both lists
// say how to get one.
void show_database(WordsPage& page, ListRows rows)
{
    const char* hint = page.view.db ? nullptr : no_database_hint();
    list_set_hint(page.view.w.word_list, hint);
    list_set_hint(page.view.w.usage_list, hint);
    words_view_set_rows(page.view, std::move(rows));
    show_count(page);
    if (!page.view.db)
        gtk_label_set_text(GTK_LABEL(page.view.w.filter.count), "");
    // Setting a model drops the selection; make sure the usage list of the
    // old database goes with it even when GTK had nothing to unselect.
    refresh_usage_list(page);
}

} // namespace

const Page WORDS_PAGE = {
    .id = PageId::Words,
    .build = words_page_build,
    .reload = words_page_reload,
    .shown = words_page_shown,
    .playing = words_page_playing,
    .show_row = words_page_show_word,
    .store_pending_edits = nullptr,
    .refresh = words_page_refresh,
    .show_edit = words_page_show_edit,
    .word_changed = nullptr,
    .find = words_page_find,
    .go_to_number = words_page_go_to_number,
};

void words_page_build(GtkNotebook* notebook)
{
    // The shell may build the window more than once (the GUI tests do).
    the_page = WordsPage {};
    GtkWidget* box = words_view_build(the_page.view);
    connect_signals(the_page);
    add_record_shortcut(GTK_WIDGET(notebook), the_page.view.w.record);
    show_database(the_page, { 0, std::nullopt });
    WordsView* view = &the_page.view;
    the_page.view.wave.on_click = [view](std::size_t frame) { words_page_play_word_from(*view, frame); };
    gtk_notebook_append_page(notebook, box, gtk_label_new(_("Words")));
}

void words_page_reload(SpeechDb* db)
{
    play_session_database_changed();
    // The summaries hold on to the old database's audio.
    audio_summary_cache_clear();
    // Installed before the new rows: a fixed-height list measures its first
    // row as soon as it gets them.
    the_page.view.db = db;
    // Another database starts unfiltered.
    filter_bar_clear_quietly(the_page.view.w.filter, G_CALLBACK(on_filter_entry_changed), &the_page);
    show_database(the_page, { db ? word_count(db) : 0, std::nullopt });
}

void words_page_shown()
{
    // Showing edits made elsewhere waits for the end of a play, like a
    // refresh.
    if (words_page_playing()) {
        play_session_defer(Deferred::PageWork, words_page_shown);
        return;
    }
    if (!the_page.view.db) {
        update_buttons(the_page);
        return;
    }
    // "unused" depends on the phrases, which may have been edited since.
    if (the_page.view.rows.shown)
        show_rows(the_page);
    refresh_usage_list(the_page);
    update_buttons(the_page);
}

void words_page_refresh()
{
    if (!the_page.view.db)
        return;
    const std::uint32_t n = word_count(the_page.view.db);
    const std::optional<std::uint32_t> w = selected_word(the_page);
    show_rows(the_page);
    // A shorter list drops a selection past its end; the last word stands in.
    if (w && *w >= n && n > 0)
        select_word(the_page, n - 1);
    refresh_usage_list(the_page);
    redraw_word_list(the_page);
}

void words_page_show_edit(const EditTarget& target)
{
    if (!the_page.view.db || target.place != EditPlace::Word)
        return;
    words_page_show_word(target.number);
    // Its alias may have come back or gone again.
    words_view_word_changed(the_page.view, target.number);
    redraw_word_list(the_page);
}

bool words_page_playing()
{
    return play_session_playing(PageId::Words);
}

void words_page_show_word(std::uint32_t word)
{
    if (the_page.view.db && word_shown(the_page, word))
        words_view_set_cursor_word(the_page.view, word);
}

void words_page_find()
{
    if (the_page.view.db)
        gtk_widget_grab_focus(the_page.view.w.filter.entry);
}

void words_page_go_to_number()
{
    if (!the_page.view.db)
        return;
    const std::optional<std::uint32_t> n = go_to_dialog_ask(_("Go To Word"), _("_Word number:"),
        word_count(the_page.view.db), selected_word(the_page).value_or(0));
    if (n)
        words_page_show_word(*n);
}

std::optional<std::uint32_t> words_page_current_word()
{
    return selected_word(the_page);
}

const Waveform& words_page_waveform()
{
    return the_page.view.wave;
}
const WordsPageWidgets& words_page_widgets()
{
    return the_page.view.w;
}
int words_page_selected_word()
{
    return int(selected_word(the_page).value_or(-1));
}
int words_page_selected_usage_phrase()
{
    return int(words_view_selected_usage_phrase(the_page.view).value_or(-1));
}
