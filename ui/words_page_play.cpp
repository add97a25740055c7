// The Words page's plays, through the playback session.
//
// The window stays usable while a play runs: the user may select another
// word, switch pages or rebuild the usage lists meanwhile. So a play keeps
// its own copy of what it plays and checks at every step that the selected
// word is still the one it started with; the session ends it when the page
// gets another database, and the page holds back usage-list work until it
// has ended. Starting a play stops the one that runs.
#include "ui/words_page_play.h"

#include "db/operations.h"
#include "ui/gtk_ptr.h"
#include "ui/play_session.h"
#include "ui/widgets.h"

#include <memory>
#include <optional>
#include <vector>

namespace {

// False when the page has nothing to play from or the running play could
// not be stopped.
bool ready(const WordsView& view)
{
    return view.db && play_session_stop();
}

// The play cursor follows a word while the waveform shows that word.
void show_progress(WordsView& view, const PlayProgress& progress)
{
    const bool shown
        = progress.item.kind == PlayItemKind::Word && words_view_selected_word(view) == progress.item.number;
    waveform_set_cursor(view.wave, shown ? std::optional<std::size_t>(progress.played_frames) : std::nullopt);
}

// Plays one item: a word, or a phrase of the usage list.
void play_one(WordsView& view, PlayItem what)
{
    WordsView* self = &view;
    play_session_start({
        .owner = PageId::Words,
        .db = view.db,
        .show = [](std::size_t i) { return i == 0 ? PlayStep::Play : PlayStep::Done; },
        .sound =
            [what](std::size_t, PlayItem& item) {
                item = what;
                return PlayStep::Play;
            },
        .progress = [self](const PlayProgress& progress) { show_progress(*self, progress); },
        .finished =
            [self](PlayEnd) {
                waveform_set_cursor(self->wave, std::nullopt);
                words_view_update_buttons(*self);
            },
    });
}

// Selects row `row` of the usage list when it still is `model` and has
// that row; false otherwise.
bool select_usage_row(WordsView& view, GtkTreeModel* model, std::uint32_t row)
{
    GtkTreeView* list = view.w.usage_list;
    return model && gtk_tree_view_get_model(list) == model && select_row(list, row, true);
}

// Puts the usage-list selection back on row `row` after Play All, when the
// list (possibly rebuilt meanwhile) still shows `phrase` there.
void restore_usage_row(WordsView& view, std::optional<std::uint32_t> row, std::optional<std::uint32_t> phrase)
{
    GtkTreeView* list = view.w.usage_list;
    GtkTreeModel* model = gtk_tree_view_get_model(list);
    GtkTreeIter iter;
    if (row && phrase && model && gtk_tree_model_iter_nth_child(model, &iter, nullptr, int(*row))
        && row_value(model, &iter) == *phrase) {
        select_usage_row(view, model, *row);
        return;
    }
    gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(list));
}

// What Play All walks: the phrases of the word's usage list as they were
// when it started (the lists may be rebuilt before it ends), and the rows
// that show them.
struct PlayAll {
    WordsView* view = nullptr;
    std::uint32_t word = 0;
    std::vector<std::uint32_t> phrases;
    // Held so that the rows it walks stay alive even if the view lets go.
    GtkTreeModelRef model;
    // The usage phrase selected at the start, and the last row holding it
    // (a phrase that speaks the word twice has two rows), if any.
    std::optional<std::uint32_t> selected;
    std::optional<std::uint32_t> selected_row;

    // Choosing another word meanwhile ends the play.
    bool same_word() const { return words_view_selected_word(*view) == word; }
};

} // namespace

void words_page_play_word(WordsView& view)
{
    words_page_play_word_from(view, 0);
}

void words_page_play_word_from(WordsView& view, std::size_t frame)
{
    const std::optional<std::uint32_t> w = words_view_selected_word(view);
    if (!w || !ready(view))
        return;
    play_one(view, { PlayItemKind::Word, *w, frame });
}

void words_page_play_phrase(WordsView& view)
{
    const std::optional<std::uint32_t> phrase = words_view_selected_usage_phrase(view);
    if (!words_view_selected_word(view) || !phrase || !ready(view))
        return;
    play_one(view, { PlayItemKind::Phrase, *phrase });
}

void words_page_play_all(WordsView& view)
{
    const std::optional<std::uint32_t> word = words_view_selected_word(view);
    if (!word || !ready(view))
        return;
    auto all = std::make_shared<PlayAll>();
    all->view = &view;
    all->word = *word;
    const std::span<const std::uint32_t> usage = word_usage(view.db, all->word);
    if (usage.empty())
        return;
    all->phrases.assign(usage.begin(), usage.end());
    GtkTreeModel* shown = gtk_tree_view_get_model(view.w.usage_list);
    all->model.reset(shown ? GTK_TREE_MODEL(g_object_ref(shown)) : nullptr);
    all->selected = words_view_selected_usage_phrase(view);
    for (std::size_t i = 0; i < all->phrases.size(); ++i)
        if (all->phrases[i] == all->selected)
            all->selected_row = std::uint32_t(i);

    play_session_start({
        .owner = PageId::Words,
        .db = view.db,
        .show =
            [all](std::size_t i) {
                if (i >= all->phrases.size())
                    return PlayStep::Done;
                if (!all->same_word())
                    return PlayStep::Abandon;
                select_usage_row(*all->view, all->model.get(), std::uint32_t(i));
                return PlayStep::Play;
            },
        .sound =
            [all](std::size_t i, PlayItem& item) {
                if (!all->same_word())
                    return PlayStep::Abandon;
                item = { PlayItemKind::Phrase, all->phrases[i] };
                return PlayStep::Play;
            },
        .progress = nullptr,
        .finished =
            [all](PlayEnd end) {
                words_view_update_buttons(*all->view);
                // After an abandoned play the usage list belongs to another
                // word or database, so its selection is left alone.
                if (end != PlayEnd::Abandoned)
                    restore_usage_row(*all->view, all->selected_row, all->selected);
            },
    });
}
