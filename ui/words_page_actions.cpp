// The Words page's actions: playing a word, a phrase or every phrase that
// uses a word, replacing and exporting a word's audio, and reordering,
// adding and removing words.
//
// A play runs the main loop itself (so the row being played is drawn), and
// in that loop keyboard input, the window's close button or an idle task
// can still reach the program. So a play sets the playing flag before it
// first runs the loop, keeps its own copy of what it plays, checks after
// every pass that the database and the selected word are still the ones it
// started with, and leaves usage-list work asked for meanwhile until it
// ends. The shell holds back Open and Quit while the flag is set.
#include "db/operations.h"
#include "ui/dialogs.h"
#include "ui/shell.h"
#include "ui/words_page_state.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The playing flag and the grab on the button that started the play, for
// as long as the play runs. The button is held so the grab can always be
// released, whatever happens to the window meanwhile.
class PlayScope {
public:
    explicit PlayScope(GtkWidget* button)
        : button_(GTK_WIDGET(g_object_ref(button)))
    {
        words_page.playing = 1;
        gtk_grab_add(button_);
    }
    ~PlayScope()
    {
        gtk_grab_remove(button_);
        g_object_unref(button_);
        words_page.playing = 0;
    }
    PlayScope(const PlayScope&) = delete;
    PlayScope& operator=(const PlayScope&) = delete;

private:
    GtkWidget* button_;
};

// What a play started with; valid() tells whether a pass of the main loop
// took it away (a reload replaced the database or the user picked another
// word).
struct PlayStart {
    SpeechDb* db = words_page.db;
    unsigned generation = words_page.generation;
    int word = words_page_selected_word();

    bool database_valid() const { return words_page.generation == generation && words_page.db == db && db; }
    bool valid() const { return database_valid() && words_page_selected_word() == word; }
};

// Catches up on the usage-list work held back while the play ran. The
// caller then tells the shell, which may carry out an Open or Quit it held
// back.
void finish_play()
{
    const WordsPagePending pending = words_page.pending;
    words_page.pending = WORDS_PAGE_PENDING_NONE;
    switch (pending) {
    case WORDS_PAGE_PENDING_NONE:
        break;
    case WORDS_PAGE_PENDING_REFRESH:
        words_page_refresh_usage_list();
        break;
    case WORDS_PAGE_PENDING_SHOWN:
        words_page_shown();
        break;
    }
    words_page_update_buttons();
}

bool busy() { return words_page.playing || !words_page.db; }

void play_word()
{
    if (busy() || words_page_selected_word() < 0)
        return;
    PlayStart start;
    {
        PlayScope scope(words_page.w.play);
        run_pending_events();
        if (start.database_valid())
            word_play(start.db, std::uint32_t(start.word));
    }
    finish_play();
    shell_play_finished();
}

void play_phrase()
{
    if (busy() || words_page_selected_word() < 0)
        return;
    int phrase = words_page_selected_usage_phrase();
    if (phrase < 0)
        return;
    PlayStart start;
    {
        PlayScope scope(words_page.w.play_phrase);
        run_pending_events();
        if (start.database_valid())
            phrase_play(start.db, std::uint32_t(phrase));
    }
    finish_play();
    shell_play_finished();
}

// Selects row `row` of the usage list when it still is `model` and has
// that row; false otherwise.
bool select_usage_row(GtkTreeModel* model, int row)
{
    GtkTreeView* view = words_page.w.usage_list;
    return model && row >= 0 && gtk_tree_view_get_model(view) == model && select_row(view, row, true);
}

// Puts the usage-list selection back on row `row` after Play All, when the
// list (possibly rebuilt meanwhile) still shows `phrase` there.
void restore_usage_row(int row, int phrase)
{
    GtkTreeView* view = words_page.w.usage_list;
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    if (row >= 0 && model && gtk_tree_model_iter_nth_child(model, &iter, nullptr, row)
        && int(row_value(model, &iter)) == phrase) {
        select_usage_row(model, row);
        return;
    }
    gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(view));
}

void on_play_all_clicked(GtkButton*, gpointer)
{
    if (busy() || words_page_selected_word() < 0)
        return;
    PlayStart start;
    const ItemList* usage = word_usage(start.db, std::uint32_t(start.word));
    if (!usage)
        return;
    // The phrases to play, copied: the usage lists may be rebuilt before
    // the play ends.
    std::vector<std::uint32_t> phrases;
    for (std::uint32_t i = 0; i < list_count(usage); ++i)
        phrases.push_back(std::uint32_t(list_get(usage, i)));
    // Held so that the rows it walks stay alive even if the view lets go.
    GtkTreeModel* shown = gtk_tree_view_get_model(words_page.w.usage_list);
    GtkTreeModelRef model(shown ? GTK_TREE_MODEL(g_object_ref(shown)) : nullptr);

    int q = words_page_selected_usage_phrase();
    int r = -1;
    bool completed = true;
    {
        PlayScope scope(words_page.w.play_all);
        run_pending_events();
        for (std::size_t i = 0; i < phrases.size(); ++i) {
            if (!start.valid()) {
                completed = false;
                break;
            }
            if (int(phrases[i]) == q)
                r = int(i);
            select_usage_row(model.get(), int(i));
            run_pending_events();
            if (!start.valid()) {
                completed = false;
                break;
            }
            phrase_play(start.db, phrases[i]);
        }
    }
    finish_play();
    // After an interrupted play the usage list belongs to another word or
    // database, so its selection is left alone.
    if (completed)
        restore_usage_row(r, q);
    shell_play_finished();
}

void on_play_clicked(GtkButton*, gpointer) { play_word(); }

void on_word_list_row_activated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer) { play_word(); }

void on_play_phrase_clicked(GtkButton*, gpointer) { play_phrase(); }

void on_usage_list_row_activated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer) { play_phrase(); }

constexpr std::size_t WAV_PATH_SIZE = 4096;

// Asks for a WAV file for the selected word: one to read (Replace) or one
// to write (Save, suggesting the word's number as the name). False when the
// page is busy, no word is selected, the user cancels or a reload came
// while the chooser ran its own loop.
bool choose_word_file(bool for_saving, std::uint32_t& word, char (&path)[WAV_PATH_SIZE])
{
    if (busy() || words_page_selected_word() < 0)
        return false;
    word = std::uint32_t(words_page_selected_word());
    unsigned generation = words_page.generation;
    bool chosen = false;
    if (for_saving) {
        char suggested[32];
        std::snprintf(suggested, sizeof suggested, "%03u.wav", word + 1);
        chosen = dialogs_choose_save_path(suggested, path, sizeof path);
    } else {
        chosen = dialogs_choose_open_path(path, sizeof path);
    }
    return chosen && generation == words_page.generation;
}

void show_audio_file_error(const char* action, const char* err)
{
    std::string message = std::string("Error ") + action + " audio file\n" + err;
    dialogs_show_error(message.c_str());
}

void on_replace_clicked(GtkButton*, gpointer)
{
    std::uint32_t w = 0;
    char path[WAV_PATH_SIZE];
    if (!choose_word_file(false, w, path))
        return;
    char err[ERROR_BUFFER_SIZE] = "";
    if (word_import_wav(words_page.db, w, path, err))
        words_page_redraw_word_list();
    else
        show_audio_file_error("loading", err);
}

void on_save_clicked(GtkButton*, gpointer)
{
    std::uint32_t w = 0;
    char path[WAV_PATH_SIZE];
    if (!choose_word_file(true, w, path))
        return;
    char err[ERROR_BUFFER_SIZE] = "";
    if (!word_export_wav(words_page.db, w, path, true, err))
        show_audio_file_error("saving", err);
}

void on_move_up_clicked(GtkButton*, gpointer)
{
    int w = words_page_selected_word();
    if (busy() || w < 0 || !word_move_up(words_page.db, std::uint32_t(w)))
        return;
    words_page_select_word(w - 1);
    words_page_redraw_word_list();
}

void on_move_down_clicked(GtkButton*, gpointer)
{
    int w = words_page_selected_word();
    if (busy() || w < 0 || !word_move_down(words_page.db, std::uint32_t(w)))
        return;
    words_page_select_word(w + 1);
    words_page_redraw_word_list();
}

void on_add_clicked(GtkButton*, gpointer)
{
    int w = words_page_selected_word();
    if (busy() || w < 0 || !word_insert(words_page.db, std::uint32_t(w)))
        return;
    number_store_set_rows(GTK_LIST_STORE(gtk_tree_view_get_model(words_page.w.word_list)), word_count(words_page.db));
    words_page_select_word(w + 1);
    words_page_redraw_word_list();
}

void on_remove_clicked(GtkButton*, gpointer)
{
    int w = words_page_selected_word();
    if (busy() || w < 0)
        return;
    // The database refuses a word that any phrase speaks. The usage lists
    // may predate the edit that made it used, so they are rebuilt to show
    // why the word stayed.
    if (!word_remove(words_page.db, std::uint32_t(w))) {
        word_build_usage(words_page.db);
        words_page_refresh_usage_list();
        return;
    }
    std::uint32_t n = word_count(words_page.db);
    number_store_set_rows(GTK_LIST_STORE(gtk_tree_view_get_model(words_page.w.word_list)), n);
    words_page_select_word(std::uint32_t(w) == n ? w - 1 : w);
    words_page_refresh_usage_list();
    words_page_redraw_word_list();
}

void on_go_to_phrase_clicked(GtkButton*, gpointer)
{
    int p = words_page_selected_usage_phrase();
    if (!words_page.db || words_page_selected_word() < 0 || p < 0)
        return;
    shell_go_to_phrase(std::uint32_t(p));
}

void connect_clicked(GtkWidget* button, void (*handler)(GtkButton*, gpointer))
{
    g_signal_connect(button, "clicked", G_CALLBACK(handler), nullptr);
}

} // namespace

void words_page_connect_actions()
{
    const WordsPageWidgets& b = words_page.w;
    g_signal_connect(b.word_list, "row-activated", G_CALLBACK(on_word_list_row_activated), nullptr);
    g_signal_connect(b.usage_list, "row-activated", G_CALLBACK(on_usage_list_row_activated), nullptr);
    connect_clicked(b.play, on_play_clicked);
    connect_clicked(b.replace, on_replace_clicked);
    connect_clicked(b.move_up, on_move_up_clicked);
    connect_clicked(b.move_down, on_move_down_clicked);
    connect_clicked(b.add, on_add_clicked);
    connect_clicked(b.remove, on_remove_clicked);
    connect_clicked(b.save, on_save_clicked);
    connect_clicked(b.play_phrase, on_play_phrase_clicked);
    connect_clicked(b.play_all, on_play_all_clicked);
    connect_clicked(b.go_to_phrase, on_go_to_phrase_clicked);
}
