// The Phrases page: the list of every phrase with its words, comment and
// changed mark, and below it the word list of the selected phrase with the
// buttons that play (phrases_page_play.cpp), reorder, add and remove its
// words.
//
// Both lists hold only numbers (a phrase number per row, a position per
// row); every text is read from the database when its cell is drawn
// (phrases_page_view.cpp), so an edit needs no more than a redraw. The
// page's state is one record, handed to every handler as its user data.
#include "ui/phrases_page.h"
#include "io/i18n.h"

#include "db/operations.h"
#include "db/word_ref.h"
#include "ui/audio_summary_cache.h"
#include "io/error_text.h"
#include "db/word_lookup.h"
#include "ui/cell_retry.h"
#include "ui/dialogs.h"
#include "ui/status_bar.h"
#include "ui/go_to_dialog.h"
#include "ui/key_burst.h"
#include "ui/list_filter.h"
#include "ui/list_rows.h"
#include "ui/phrases_page_play.h"
#include "ui/phrases_page_view.h"
#include "ui/play_session.h"
#include "ui/shell_navigation.h"
#include "ui/test_hooks.h"
#include "ui/widgets.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

struct PhrasesPage {
    // The database (the shell's), how words are shown, and the widgets.
    PhrasesView view;
    // The phrases the list shows: all, or those the filter lets through.
    ListRows rows;
    // The waveform of a newly selected phrase, drawn once the queued input
    // is handled: a held key passes many phrases nobody looks at.
    AfterInput waveform;
};

// The one instance, for the whole program.
PhrasesPage the_page;

PhrasesPage& page_of(gpointer data)
{
    return *static_cast<PhrasesPage*>(data);
}

// The value of the row a cell path names, if there is such a row.
std::optional<std::uint32_t> row_value_at(GtkTreeView* list, const char* path)
{
    GtkTreeModel* model = gtk_tree_view_get_model(list);
    GtkTreeIter iter;
    if (!model || !path || !gtk_tree_model_get_iter_from_string(model, &iter, path))
        return std::nullopt;
    return row_value(model, &iter);
}

std::optional<std::uint32_t> selected_phrase(const PhrasesPage& page)
{
    return phrases_view_selected_phrase(page.view);
}
std::optional<std::uint32_t> selected_position(const PhrasesPage& page)
{
    return phrases_view_selected_position(page.view);
}

void select_position_row(PhrasesPage& page, std::uint32_t n)
{
    select_row(page.view.w.word_list, n, false);
}

void redraw_lists(PhrasesPage& page)
{
    gtk_widget_queue_draw(GTK_WIDGET(page.view.w.phrase_list));
    gtk_widget_queue_draw(GTK_WIDGET(page.view.w.word_list));
}

void redraw_after_edit(PhrasesPage& page, std::uint32_t p)
{
    after_input_cancel(page.waveform); // shown at once below
    if (const std::optional<std::uint32_t> row = list_rows_find(page.rows, p))
        row_texts_changed(page.view.w.phrase_list, *row);
    all_row_texts_changed(page.view.w.word_list);
    phrases_view_fit_columns(page.view, p);
    phrases_view_show_waveform(page.view);
    redraw_lists(page);
}

void update_phrase_buttons(PhrasesPage& page)
{
    phrases_view_update_buttons(page.view);
}

void refresh_phrase_word_list(PhrasesPage& page)
{
    gtk_tree_view_set_model(page.view.w.word_list, nullptr);
    if (const std::optional<std::uint32_t> p = selected_phrase(page)) {
        GtkListStorePtr store = number_store_new(phrase_word_count(page.view.db, *p));
        gtk_tree_view_set_model(page.view.w.word_list, GTK_TREE_MODEL(store.get()));
    }
    after_input_schedule(
        page.waveform, [](gpointer data) { phrases_view_show_waveform(page_of(data).view); }, &page);
    update_phrase_buttons(page);
}

// ---- the filter ----

void show_count(PhrasesPage& page)
{
    const std::uint32_t total = page.rows.total;
    filter_bar_show_count(page.view.w.filter, ngettext("%s phrase", "%s phrases", total),
        ngettext("%s of %s phrase", "%s of %s phrases", total), list_rows_count(page.rows), total,
        page.rows.shown.has_value());
}

// Shows the phrases that match the filter's text (all for none). The
// selected phrase stays selected when it is still shown.
void apply_filter(PhrasesPage& page)
{
    const std::optional<std::uint32_t> selected = selected_phrase(page);
    const ListFilter filter = phrase_filter_parse(gtk_entry_get_text(GTK_ENTRY(page.view.w.filter.entry)));
    page.rows.total = page.view.db ? phrase_count(page.view.db) : 0;
    page.rows.shown.reset();
    if (!filter.terms.empty())
        page.rows.shown = phrase_filter_rows(page.view.db, filter);
    NumberListPtr store = list_rows_model(page.rows);
    gtk_tree_view_set_model(page.view.w.phrase_list, GTK_TREE_MODEL(store.get()));
    const std::optional<std::uint32_t> row = selected ? list_rows_find(page.rows, *selected) : std::nullopt;
    if (row)
        select_row(page.view.w.phrase_list, *row, true);
    refresh_phrase_word_list(page);
    show_count(page);
    if (!page.view.db)
        gtk_label_set_text(GTK_LABEL(page.view.w.filter.count), "");
}

void on_filter_entry_changed(GtkEditable*, gpointer data)
{
    PhrasesPage& page = page_of(data);
    if (page.view.db)
        apply_filter(page);
}

// The row showing `phrase`; a filter that hides it is emptied first.
std::optional<std::uint32_t> row_of_phrase(PhrasesPage& page, std::uint32_t phrase)
{
    std::optional<std::uint32_t> row = list_rows_find(page.rows, phrase);
    if (!row && page.rows.shown && phrase < page.rows.total) {
        gtk_entry_set_text(GTK_ENTRY(page.view.w.filter.entry), "");
        row = list_rows_find(page.rows, phrase);
    }
    return row;
}

// ---- actions ----

// The selected phrase and position for a button action: false when either
// is missing.
bool action_target(const PhrasesPage& page, std::uint32_t& p, std::uint32_t& w)
{
    const std::optional<std::uint32_t> phrase = selected_phrase(page);
    const std::optional<std::uint32_t> position = selected_position(page);
    if (!phrase || !position)
        return false;
    p = *phrase;
    w = *position;
    return true;
}

// Every edit first stops a running play: the database never changes under
// one. False when there is nothing to edit, or the play could not stop.
bool ready_to_edit(const PhrasesPage& page)
{
    return page.view.db && play_session_stop();
}

// action_target() for an edit.
bool edit_target(const PhrasesPage& page, std::uint32_t& p, std::uint32_t& w)
{
    return action_target(page, p, w) && ready_to_edit(page);
}

// Runs one edit of the selected position that moves the selection by
// `step` rows when it succeeds.
void move_word(PhrasesPage& page, bool (*move)(SpeechDb*, std::uint32_t, std::uint32_t), std::int32_t step)
{
    std::uint32_t p = 0;
    std::uint32_t w = 0;
    if (!edit_target(page, p, w) || !move(page.view.db, p, w))
        return;
    select_position_row(page, w + step);
    redraw_after_edit(page, p);
}

void set_word_rows(PhrasesPage& page, std::uint32_t rows)
{
    number_store_set_rows(GTK_LIST_STORE(gtk_tree_view_get_model(page.view.w.word_list)), rows);
}

void add_word(PhrasesPage& page)
{
    std::uint32_t p = 0;
    std::uint32_t w = 0;
    if (!edit_target(page, p, w) || !phrase_insert_word(page.view.db, p, w))
        return;
    set_word_rows(page, phrase_word_count(page.view.db, p));
    select_position_row(page, w + 1);
    redraw_after_edit(page, p);
}

void remove_word(PhrasesPage& page)
{
    std::uint32_t p = 0;
    std::uint32_t w = 0;
    if (!edit_target(page, p, w) || !phrase_remove_word(page.view.db, p, w))
        return;
    // A phrase keeps at least one word, so w - 1 below is a position.
    const std::uint32_t m = phrase_word_count(page.view.db, p);
    if (w == m)
        select_position_row(page, w - 1);
    set_word_rows(page, m);
    // Removing a row does not emit "changed" when the selection stays.
    update_phrase_buttons(page);
    redraw_after_edit(page, p);
}

// ---- signal handlers; `data` is the page ----

void on_phrase_selection_changed(GtkTreeSelection*, gpointer data)
{
    refresh_phrase_word_list(page_of(data));
}
void on_word_selection_changed(GtkTreeSelection*, gpointer data)
{
    update_phrase_buttons(page_of(data));
}

void on_phrase_list_row_activated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer data)
{
    phrases_page_play_phrase(page_of(data).view);
}

// The edit applies to the row that was edited, which is the selected one.
void on_comment_edited(GtkCellRendererText*, gchar* path, gchar* text, gpointer data)
{
    PhrasesPage& page = page_of(data);
    const std::optional<std::uint32_t> p = row_value_at(page.view.w.phrase_list, path);
    if (!p || !ready_to_edit(page))
        return;
    phrase_set_comment(page.view.db, *p, text && *text ? text : nullptr);
    redraw_after_edit(page, *p);
}

void on_changed_toggled(GtkCellRendererToggle*, gchar* path, gpointer data)
{
    PhrasesPage& page = page_of(data);
    const std::optional<std::uint32_t> p = row_value_at(page.view.w.phrase_list, path);
    if (!p || !ready_to_edit(page))
        return;
    phrase_revert(page.view.db, *p);
    refresh_phrase_word_list(page);
    redraw_after_edit(page, *p);
}

// Sets position w of phrase p to the word `text` names. Empty when done,
// otherwise why not, in words the user reads in the status bar.
std::string set_word_from_text(PhrasesPage& page, std::uint32_t p, std::uint32_t w, const char* text)
{
    SpeechDb* db = page.view.db;
    std::string alias(std::strlen(text) + 1, '\0');
    long long number = 0;
    GCharPtr typed(g_strstrip(g_strdup(text)));
    switch (parse_word_ref(text, alias.data(), alias.size(), &number)) {
    case WordRef::Invalid:
        return printf_text(_("'%s' is neither a word number nor an alias"), typed.get());
    case WordRef::Alias:
        if (!page.view.use_aliases)
            return _("Aliases are off: type a word number, or switch Use Aliases on");
        if (word_find_alias(db, alias.c_str(), WORD_NONE) == WORD_NONE)
            return printf_text(_("No word has the alias '%s'"), alias.c_str());
        return phrase_set_word_by_alias(db, p, w, alias.c_str()) ? "" : _("The word could not be set");
    case WordRef::Number:
        // Numbers are typed counted from 1; anything that cannot be a word
        // number is refused here rather than wrapped into range.
        if (number < 1 || number > std::int64_t(word_count(db)))
            return printf_text(_("There is no word %s: the words are numbered from 1 to %u"), typed.get(),
                unsigned(word_count(db)));
        return phrase_set_word(db, p, w, std::uint32_t(number - 1)) ? "" : _("The word could not be set");
    }
    return {};
}

void on_word_edited(GtkCellRendererText*, gchar* path, gchar* text, gpointer data)
{
    PhrasesPage& page = page_of(data);
    const std::optional<std::uint32_t> p = selected_phrase(page);
    const std::optional<std::uint32_t> w = row_value_at(page.view.w.word_list, path);
    if (!text || !p || !w || !ready_to_edit(page))
        return;
    const std::string refusal = set_word_from_text(page, *p, *w, text);
    if (!refusal.empty()) {
        // Kept for correction: the cell opens again with the typed text.
        status_bar_set(StatusContext::Feedback, refusal);
        const PhrasesPageWidgets& v = page.view.w;
        cell_retry_edit(v.word_list, v.word_column, v.word_renderer, path, text);
        return;
    }
    status_bar_clear(StatusContext::Feedback);
    redraw_after_edit(page, *p);
}

// Space on a list plays its selection or stops the play that runs.
gboolean on_phrase_list_key_press_event(GtkWidget*, GdkEventKey* event, gpointer data)
{
    PhrasesView& view = page_of(data).view;
    return play_session_space_key(event, [&view] { phrases_page_play_phrase(view); });
}
gboolean on_word_list_key_press_event(GtkWidget*, GdkEventKey* event, gpointer data)
{
    PhrasesView& view = page_of(data).view;
    return play_session_space_key(event, [&view] { phrases_page_play_word(view); });
}

void on_play_phrase_clicked(GtkButton*, gpointer data)
{
    phrases_page_play_phrase(page_of(data).view);
}
// Asks where to save the selected phrase (suggesting phrase_007.wav for
// the seventh) and writes its words there as one recording.
void on_save_phrase_clicked(GtkButton*, gpointer data)
{
    PhrasesPage& page = page_of(data);
    const std::optional<std::uint32_t> p = phrases_view_selected_phrase(page.view);
    if (!p || !page.view.db)
        return;
    const unsigned generation = play_session_generation();
    char suggested[32];
    std::snprintf(suggested, sizeof suggested, "phrase_%03u.wav", unsigned(*p + 1));
    char path[4096];
    if (!dialogs_choose_save_path(suggested, path, sizeof path) || generation != play_session_generation())
        return;
    ErrorText err;
    if (!phrase_export_wav(page.view.db, *p, path, true, &err)) {
        dialogs_show_error((std::string(_("Error saving audio file\n")) + err.text).c_str());
        return;
    }
    GCharPtr shown(g_filename_display_name(path));
    status_bar_set(StatusContext::Feedback, printf_text(_("Exported phrase %u to %s"), *p + 1, shown.get()));
}
void on_play_word_clicked(GtkButton*, gpointer data)
{
    phrases_page_play_word(page_of(data).view);
}
void on_move_up_clicked(GtkButton*, gpointer data)
{
    move_word(page_of(data), phrase_move_word_up, -1);
}
void on_move_down_clicked(GtkButton*, gpointer data)
{
    move_word(page_of(data), phrase_move_word_down, 1);
}
void on_add_word_clicked(GtkButton*, gpointer data)
{
    add_word(page_of(data));
}
void on_remove_word_clicked(GtkButton*, gpointer data)
{
    remove_word(page_of(data));
}

void on_go_to_word_clicked(GtkButton*, gpointer data)
{
    PhrasesPage& page = page_of(data);
    std::uint32_t p = 0;
    std::uint32_t w = 0;
    if (!action_target(page, p, w))
        return;
    const std::uint32_t n = phrase_word_number(page.view.db, p, w);
    if (n != WORD_NONE)
        shell_go_to_word(n);
}

void on_use_aliases_clicked(GtkToggleButton* button, gpointer data)
{
    PhrasesPage& page = page_of(data);
    page.view.use_aliases = gtk_toggle_button_get_active(button);
    phrases_view_fit_columns(page.view, std::nullopt);
    // Every row's words read differently now, to a screen reader too.
    all_row_texts_changed(page.view.w.phrase_list);
    all_row_texts_changed(page.view.w.word_list);
    redraw_lists(page);
}

void connect_signals(PhrasesPage& page)
{
    const PhrasesPageWidgets& w = page.view.w;
    g_signal_connect(
        gtk_tree_view_get_selection(w.phrase_list), "changed", G_CALLBACK(on_phrase_selection_changed), &page);
    g_signal_connect(w.phrase_list, "row-activated", G_CALLBACK(on_phrase_list_row_activated), &page);
    g_signal_connect(w.comment_renderer, "edited", G_CALLBACK(on_comment_edited), &page);
    g_signal_connect(w.changed_renderer, "toggled", G_CALLBACK(on_changed_toggled), &page);
    g_signal_connect(gtk_tree_view_get_selection(w.word_list), "changed", G_CALLBACK(on_word_selection_changed), &page);
    g_signal_connect(w.word_renderer, "edited", G_CALLBACK(on_word_edited), &page);
    g_signal_connect(w.phrase_list, "key-press-event", G_CALLBACK(on_phrase_list_key_press_event), &page);
    g_signal_connect(w.word_list, "key-press-event", G_CALLBACK(on_word_list_key_press_event), &page);
    const std::pair<GtkWidget*, GCallback> buttons[] = {
        { w.play_phrase, G_CALLBACK(on_play_phrase_clicked) },
        { w.play_word, G_CALLBACK(on_play_word_clicked) },
        { w.save_phrase, G_CALLBACK(on_save_phrase_clicked) },
        { w.go_to_word, G_CALLBACK(on_go_to_word_clicked) },
        { w.move_up, G_CALLBACK(on_move_up_clicked) },
        { w.move_down, G_CALLBACK(on_move_down_clicked) },
        { w.add_word, G_CALLBACK(on_add_word_clicked) },
        { w.remove_word, G_CALLBACK(on_remove_word_clicked) },
    };
    for (const auto& [button, handler] : buttons)
        g_signal_connect(button, "clicked", handler, &page);
    g_signal_connect(w.use_aliases, "clicked", G_CALLBACK(on_use_aliases_clicked), &page);
    g_signal_connect(w.filter.entry, "changed", G_CALLBACK(on_filter_entry_changed), &page);
}

// Without a database both lists say how to get one. The phrase list always
// has a model, if an empty one: a list without any draws its column
// headers as a thin strip.
void show_database(PhrasesPage& page)
{
    const char* hint = page.view.db ? nullptr : no_database_hint();
    list_set_hint(page.view.w.phrase_list, hint);
    list_set_hint(page.view.w.word_list, hint);
    NumberListPtr store = list_rows_model(page.rows);
    gtk_tree_view_set_model(page.view.w.phrase_list, GTK_TREE_MODEL(store.get()));
    refresh_phrase_word_list(page);
    show_count(page);
    if (!page.view.db)
        gtk_label_set_text(GTK_LABEL(page.view.w.filter.count), "");
}

} // namespace

const Page PHRASES_PAGE = {
    .id = PageId::Phrases,
    .build = phrases_page_build,
    .reload = phrases_page_reload,
    .shown = phrases_page_shown,
    .playing = phrases_page_playing,
    .show_row = phrases_page_show_phrase,
    .store_pending_edits = nullptr,
    .refresh = phrases_page_refresh,
    .show_edit = phrases_page_show_edit,
    .word_changed = phrases_page_word_changed,
    .find = phrases_page_find,
    .go_to_number = phrases_page_go_to_number,
};

void phrases_page_build(GtkNotebook* notebook)
{
    // The shell may build the window more than once (the GUI tests do).
    the_page = PhrasesPage {};
    GtkWidget* box = phrases_view_build(the_page.view);
    connect_signals(the_page);
    show_database(the_page);
    PhrasesView* view = &the_page.view;
    the_page.view.wave.on_click = [view](std::size_t frame) {
        const auto [position, offset] = waveform_part_at(view->wave, frame);
        phrases_page_play_phrase_from(*view, position, offset);
    };
    // Connected first, so the state it mirrors is set through it.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(the_page.view.w.use_aliases), the_page.view.use_aliases);
    gtk_notebook_append_page(notebook, box, gtk_label_new(_("Phrases")));
}

void phrases_page_reload(SpeechDb* db)
{
    // Installed before the new store: a fixed-height view measures its first
    // row as soon as it gets a model, and the old database is already gone.
    the_page.view.db = db;
    play_session_database_changed();
    // The summaries hold on to the old database's audio.
    audio_summary_cache_clear();
    phrases_view_fit_columns(the_page.view, std::nullopt);
    // Another database starts unfiltered.
    filter_bar_clear_quietly(the_page.view.w.filter, G_CALLBACK(on_filter_entry_changed), &the_page);
    the_page.rows = { db ? phrase_count(db) : 0, std::nullopt };
    show_database(the_page);
}

void phrases_page_shown()
{
    // A word's audio may have been replaced on another page meanwhile.
    phrases_view_show_waveform(the_page.view);
}

void phrases_page_refresh()
{
    if (!the_page.view.db)
        return;
    // The number of phrases never changes; the selected phrase's word list
    // may have grown or shrunk.
    const std::optional<std::uint32_t> w = selected_position(the_page);
    refresh_phrase_word_list(the_page);
    const std::optional<std::uint32_t> p = selected_phrase(the_page);
    const std::uint32_t rows = p ? phrase_word_count(the_page.view.db, *p) : 0;
    if (w && rows > 0)
        select_position_row(the_page, std::min(*w, rows - 1));
    redraw_lists(the_page);
}

void phrases_page_show_edit(const EditTarget& target)
{
    if (!the_page.view.db || target.place != EditPlace::Phrase)
        return;
    phrases_page_show_phrase(target.number);
    if (target.position)
        select_row(the_page.view.w.word_list, *target.position, true);
    redraw_after_edit(the_page, target.number);
}

bool phrases_page_playing()
{
    return play_session_playing(PageId::Phrases);
}

void phrases_page_show_phrase(std::uint32_t phrase)
{
    if (!the_page.view.db)
        return;
    if (const std::optional<std::uint32_t> row = row_of_phrase(the_page, phrase))
        set_cursor_row(the_page.view.w.phrase_list, *row, the_page.view.w.number_column);
}

void phrases_page_find()
{
    if (the_page.view.db)
        gtk_widget_grab_focus(the_page.view.w.filter.entry);
}

void phrases_page_word_changed(std::uint32_t word)
{
    if (!the_page.view.db)
        return;
    // A phrase using the word twice is told once.
    std::optional<std::uint32_t> last;
    for (std::uint32_t phrase : word_usage(the_page.view.db, word)) {
        if (phrase == last)
            continue;
        last = phrase;
        if (const std::optional<std::uint32_t> row = list_rows_find(the_page.rows, phrase))
            row_texts_changed(the_page.view.w.phrase_list, *row);
    }
    all_row_texts_changed(the_page.view.w.word_list);
    redraw_lists(the_page);
}

int phrases_page_extra_height(int rows)
{
    return phrases_view_extra_height(the_page.view, rows);
}

void phrases_page_go_to_number()
{
    if (!the_page.view.db)
        return;
    const std::optional<std::uint32_t> n = go_to_dialog_ask(_("Go To Phrase"), _("_Phrase number:"),
        phrase_count(the_page.view.db), selected_phrase(the_page).value_or(0));
    if (n)
        phrases_page_show_phrase(*n);
}

const Waveform& phrases_page_waveform()
{
    return the_page.view.wave;
}
const PhrasesPageWidgets& phrases_page_widgets()
{
    return the_page.view.w;
}
int phrases_page_selected_phrase()
{
    return int(selected_phrase(the_page).value_or(-1));
}
int phrases_page_selected_position()
{
    return int(selected_position(the_page).value_or(-1));
}
