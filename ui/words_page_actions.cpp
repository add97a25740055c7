// The Words page's actions: playing a word, a phrase or every phrase that
// uses a word, replacing and exporting a word's audio, and reordering,
// adding and removing words.
//
// A play runs the main loop itself (so the row being played is drawn), and
// in that loop keyboard input, the window's close button or an idle task
// can still reach the program. So a play goes through the playback
// session, keeps its own copy of what it plays, and checks at every step
// that the selected word is still the one it started with (the session
// ends it when the page gets another database).
#include "db/operations.h"
#include "ui/dialogs.h"
#include "ui/play_session.h"
#include "ui/shell.h"
#include "ui/words_page_state.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

bool busy() { return play_session_active() || !words_page.db; }

// The end of every play of the page: the buttons, left alone while it ran.
void finish_play(PlayEnd) { words_page_update_buttons(); }

// Plays one item, shown by nothing more than the selection it started with.
void play_one(GtkWidget* grab, PlayItem what)
{
    play_session_start({
        .owner = PageId::Words,
        .db = words_page.db,
        .grab = grab,
        .show = [](std::size_t i) { return i == 0 ? PlayStep::Play : PlayStep::Done; },
        .sound =
            [what](std::size_t, PlayItem& item) {
                item = what;
                return PlayStep::Play;
            },
        .finished = finish_play,
    });
}

void play_word()
{
    int w = words_page_selected_word();
    if (busy() || w < 0)
        return;
    play_one(words_page.w.play, {PlayItemKind::Word, std::uint32_t(w)});
}

void play_phrase()
{
    if (busy() || words_page_selected_word() < 0)
        return;
    int phrase = words_page_selected_usage_phrase();
    if (phrase < 0)
        return;
    play_one(words_page.w.play_phrase, {PlayItemKind::Phrase, std::uint32_t(phrase)});
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

// What Play All walks: the phrases of the word's usage list as they were
// when it started (the lists may be rebuilt before it ends), and the rows
// that show them.
struct PlayAll {
    int word = -1;
    std::vector<std::uint32_t> phrases;
    // Held so that the rows it walks stay alive even if the view lets go.
    GtkTreeModelRef model;
    // The usage phrase selected at the start, and the last row holding it
    // (a phrase that speaks the word twice has two rows), or -1.
    int selected = -1;
    int selected_row = -1;
};

void on_play_all_clicked(GtkButton*, gpointer)
{
    if (busy() || words_page_selected_word() < 0)
        return;
    auto all = std::make_shared<PlayAll>();
    all->word = words_page_selected_word();
    const ItemList* usage = word_usage(words_page.db, std::uint32_t(all->word));
    if (!usage)
        return;
    for (std::uint32_t i = 0; i < list_count(usage); ++i)
        all->phrases.push_back(std::uint32_t(list_get(usage, i)));
    GtkTreeModel* shown = gtk_tree_view_get_model(words_page.w.usage_list);
    all->model.reset(shown ? GTK_TREE_MODEL(g_object_ref(shown)) : nullptr);
    all->selected = words_page_selected_usage_phrase();
    for (std::size_t i = 0; i < all->phrases.size(); ++i)
        if (int(all->phrases[i]) == all->selected)
            all->selected_row = int(i);

    // Choosing another word meanwhile ends the play.
    auto same_word = [all] { return words_page_selected_word() == all->word; };
    play_session_start({
        .owner = PageId::Words,
        .db = words_page.db,
        .grab = words_page.w.play_all,
        .show =
            [all, same_word](std::size_t i) {
                if (i >= all->phrases.size())
                    return PlayStep::Done;
                if (!same_word())
                    return PlayStep::Abandon;
                select_usage_row(all->model.get(), int(i));
                return PlayStep::Play;
            },
        .sound =
            [all, same_word](std::size_t i, PlayItem& item) {
                if (!same_word())
                    return PlayStep::Abandon;
                item = {PlayItemKind::Phrase, all->phrases[i]};
                return PlayStep::Play;
            },
        .finished =
            [all](PlayEnd end) {
                finish_play(end);
                // After an abandoned play the usage list belongs to another
                // word or database, so its selection is left alone.
                if (end != PlayEnd::Abandoned)
                    restore_usage_row(all->selected_row, all->selected);
            },
    });
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
    unsigned generation = play_session_generation();
    bool chosen = false;
    if (for_saving) {
        char suggested[32];
        std::snprintf(suggested, sizeof suggested, "%03u.wav", word + 1);
        chosen = dialogs_choose_save_path(suggested, path, sizeof path);
    } else {
        chosen = dialogs_choose_open_path(path, sizeof path);
    }
    return chosen && generation == play_session_generation();
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
