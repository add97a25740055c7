// The Phrases page's plays, through the playback session. The page plays a
// phrase word by word itself (not as one item) so that it can show each
// word as it sounds.
#include "ui/phrases_page_play.h"

#include "db/operations.h"
#include "ui/play_session.h"
#include "ui/widgets.h"

namespace {

// The word at `position` of `phrase` as the step's sound, or nothing to
// sound when the position refers to no word. Read when the step sounds, so
// an edit made meanwhile is what sounds.
PlayStep word_at(const PhrasesView& view, std::uint32_t phrase, std::size_t position, PlayItem& item)
{
    const std::uint32_t n = phrase_word_number(view.db, phrase, static_cast<std::uint32_t>(position));
    if (n == WORD_NONE)
        return PlayStep::Skip;
    item = { PlayItemKind::Word, n };
    return PlayStep::Play;
}

// The play cursor follows the word at `position` while the waveform shows
// its phrase.
void show_progress(PhrasesView& view, std::uint32_t phrase, std::size_t position, const PlayProgress& progress)
{
    Waveform& wave = view.wave;
    if (phrases_view_selected_phrase(view) != phrase || position >= wave.starts.size()) {
        waveform_set_cursor(wave, std::nullopt);
        return;
    }
    waveform_set_cursor(wave, wave.starts[position] + progress.played_frames);
}

} // namespace

void phrases_page_play_phrase(PhrasesView& view)
{
    phrases_page_play_phrase_from(view, 0, 0);
}

void phrases_page_play_phrase_from(PhrasesView& view, std::size_t position, std::size_t frame)
{
    const std::optional<std::uint32_t> p = phrases_view_selected_phrase(view);
    // A new play replaces the one that runs.
    if (!p || !play_session_stop())
        return;
    // Put back afterwards: the user's own selection in the word list.
    const std::optional<std::uint32_t> w0 = phrases_view_selected_position(view);
    const std::uint32_t phrase = *p;
    PhrasesView* self = &view;
    play_session_start({
        .owner = PageId::Phrases,
        .db = view.db,
        .show =
            [self, phrase, position](std::size_t i) {
                // The count is read at every step: a revert may change it.
                if (position + i >= phrase_word_count(self->db, phrase))
                    return PlayStep::Done;
                // The window stays usable during the play, so another
                // phrase may be selected by now: rows are selected only while
                // the word list still shows this one.
                if (phrases_view_selected_phrase(*self) == phrase)
                    select_row(self->w.word_list, std::uint32_t(position + i), true);
                return PlayStep::Play;
            },
        .sound =
            [self, phrase, position, frame](std::size_t i, PlayItem& item) {
                const PlayStep step = word_at(*self, phrase, position + i, item);
                // Only the word clicked into starts part-way.
                item.start_frame = i == 0 ? frame : 0;
                return step;
            },
        .progress =
            [self, phrase, position](const PlayProgress& progress) {
                show_progress(*self, phrase, position + progress.step, progress);
            },
        .finished =
            [self, phrase, w0](PlayEnd) {
                waveform_set_cursor(self->wave, std::nullopt);
                if (phrases_view_selected_phrase(*self) == phrase)
                    select_row(self->w.word_list, w0, false);
                phrases_view_update_buttons(*self);
            },
    });
}

void phrases_page_play_word(PhrasesView& view)
{
    const std::optional<std::uint32_t> p = phrases_view_selected_phrase(view);
    const std::optional<std::uint32_t> w = phrases_view_selected_position(view);
    if (!p || !w || phrase_word_number(view.db, *p, *w) == WORD_NONE || !play_session_stop())
        return;
    const std::uint32_t phrase = *p;
    const std::size_t position = *w;
    PhrasesView* self = &view;
    play_session_start({
        .owner = PageId::Phrases,
        .db = view.db,
        .show = [](std::size_t i) { return i == 0 ? PlayStep::Play : PlayStep::Done; },
        .sound
        = [self, phrase, position](std::size_t, PlayItem& item) { return word_at(*self, phrase, position, item); },
        .progress = [self, phrase, position](
                        const PlayProgress& progress) { show_progress(*self, phrase, position, progress); },
        .finished =
            [self](PlayEnd) {
                waveform_set_cursor(self->wave, std::nullopt);
                phrases_view_update_buttons(*self);
            },
    });
}
