// The editor's one playback session: every play of a word or a phrase goes
// through it, and it is where a play meets everything else the window does.
//
// A play never holds up the main loop: the sound goes to the device from a
// worker thread (audio/playback_stream.h) while the window goes on taking
// clicks, keys, menus and redraws. So File > Open, Quit, closing the
// window, page switches and edits can all arrive in the middle of a play.
// The rule that keeps the database safe is simple: whatever would change or
// free the database stops the running play first (play_session_stop), and
// only then does its work, questions included. The session therefore
// - runs at most one play at a time and knows which page started it;
// - remembers the database generation the play started with: a page handed
//   another database bumps it, and the play ends at once;
// - holds back a page's own bookkeeping asked for meanwhile
//   (play_session_defer) and does it as the play ends;
// - keeps the Stop buttons sensitive exactly while a play runs, and shows
//   what plays and how far it has got in the status bar.
//
// A play walks a sequence of items step by step: a word, a phrase, the
// words of a phrase one by one, every phrase that uses a word. At each step
// the page shows the item (selects its row), the main loop draws that, and
// only then the page names what the item sounds, so an edit made meanwhile
// is what sounds. When the item's sound has ended the next step begins.
// play_session_start() returns as soon as the first step is under way;
// whatever the page does after the play it does in `finished`, which runs
// once the play has ended and the held-back page work is done.
#pragma once

#include "db/speech_db.h"
#include "ui/page.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <gtk/gtk.h>
#include <string>

// What one step sounds: a word, or all words of a phrase in turn.
enum class PlayItemKind {
    Word,
    Phrase,
};

struct PlayItem {
    PlayItemKind kind = PlayItemKind::Word;
    std::uint32_t number = 0;
    // Where in the item's sound to begin (a click into a waveform).
    std::size_t start_frame = 0;
};

// How far the item being sounded has got.
struct PlayProgress {
    PlayItem item;
    std::size_t step = 0;
    std::size_t played_frames = 0; // counted from the item's start
    std::size_t total_frames = 0;
    int sample_rate = 0;
};

// A sequence's answer at a step.
enum class PlayStep {
    Play, // go on: show it, or sound the item named
    Skip, // (when naming the sound) nothing to sound here; on to the next step
    Done, // there is no such step: the play is complete
    Abandon, // what the play walks has gone (another word chosen, say): end now
};

// How a play ended.
enum class PlayEnd {
    Completed, // every item was walked
    Stopped, // play_session_stop()
    Abandoned, // the sequence gave up, or the page was handed another database
};

struct PlayRequest {
    PageId owner = PageId::Phrases;
    const SpeechDb* db = nullptr; // what the items are read from; not owned
    // Before step `i`: shows its item. Play, Done or Abandon.
    std::function<PlayStep(std::size_t i)> show;
    // After the main loop drew step `i`: names what it sounds in `item`.
    // Play, Skip, Done or Abandon.
    std::function<PlayStep(std::size_t i, PlayItem& item)> sound;
    // While an item sounds, a few dozen times a second; may be empty.
    std::function<void(const PlayProgress& progress)> progress;
    // Once, after the play has ended, the grab is gone and held-back page
    // work is done.
    std::function<void(PlayEnd end)> finished;
};

// Starts a play and returns once its first step is under way. False, with
// nothing done, while another play runs.
bool play_session_start(PlayRequest request);

// Ends the running play now: the sound is dropped, not played out, and the
// play ends Stopped (its `finished` has run when this returns). Nothing
// when none runs. Asked from inside one of the play's own step functions,
// the play ends as soon as that function returns. True when no play runs
// any more.
bool play_session_stop();

// A "Stop" button that stops the running play, sensitive exactly while
// one runs. Each page packs one next to its play buttons.
GtkWidget* play_session_stop_button_new();

// Space on a list that plays its selection: stops the running play, or,
// when none runs, plays the selection through `play`. True when `event`
// was that key (and so has been used).
bool play_session_space_key(const GdkEventKey* event, const std::function<void()>& play);

// The status bar's text for a play at `progress`, e.g.
// "Playing word 12 (0.8 s of 1.6 s)".
std::string play_session_status_text(const PlayProgress& progress);

// Whether a play runs, and whether it is `page`'s.
bool play_session_active();
bool play_session_playing(PageId page);

// Work held back while a play runs. When none runs, `run` is done at once.
enum class Deferred {
    // A page's own bookkeeping: done as the play ends, before its
    // `finished`, in the order asked; asked twice, it is done once.
    PageWork,
    // File > Open, when the play it stopped could not end at once: done
    // from the main loop once it has ended, so it may replace the database.
    // Dropped while a Quit waits.
    Open,
    // Quit or closing the window: likewise, and it replaces a waiting Open
    // (whoever asked to leave is not handed a chooser instead).
    Quit,
};
void play_session_defer(Deferred kind, void (*run)());

// A page was handed another database: a running play ends at once. The generation counts these changes, so a page can also tell that
// a nested loop of its own (a chooser's, say) saw one.
void play_session_database_changed();
unsigned play_session_generation();
