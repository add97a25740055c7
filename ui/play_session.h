// The editor's one playback session: every play of a word or a phrase goes
// through it, and it is where a play meets everything else the window does.
//
// A play runs the main loop while it goes on (to draw the row being played),
// so File > Open, Quit, closing the window, page switches and edits can
// arrive in its middle. The session therefore
// - runs at most one play at a time and knows which page started it;
// - holds a GTK grab on the widget that started it, so pointer input reaches
//   only that widget;
// - remembers the database generation the play started with: a page handed
//   another database bumps it (play_session_database_changed), and the play
//   ends before its next item;
// - holds back work asked for meanwhile (play_session_defer) and does it
//   once the play has ended.
//
// A play walks a sequence of items step by step: a word, a phrase, the
// words of a phrase one by one, every phrase that uses a word. At each step
// the page shows the item (selects its row), the main loop draws that, and
// only then the page names what the item sounds, so an edit made meanwhile
// is what sounds. Whatever the page does after the play it does in
// `finished`, which runs once the grab is released and the held-back page
// work is done.
//
// How a step's sound reaches the device is the session's own business. For
// now each step blocks in the audio output until the sound has ended, so
// play_session_start() returns only after the play has ended, and a stop
// takes effect between two items. A player that writes from a worker thread
// or from the main loop's watch on the device can take its place without
// any page noticing: start then returns at once, the player's "sound ended"
// report asks the sequence for the next item, and a stop drops the sound
// being played. Pages must not rely on either: they do their after-play work
// in `finished`.
#pragma once

#include "db/speech_db.h"
#include "ui/page.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <gtk/gtk.h>

// What one step sounds: a word, or all words of a phrase in turn.
enum class PlayItemKind {
    Word,
    Phrase,
};

struct PlayItem {
    PlayItemKind kind = PlayItemKind::Word;
    std::uint32_t number = 0;
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
    GtkWidget* grab = nullptr; // holds the grab for the play, or null for none
    // Before step `i`: shows its item. Play, Done or Abandon.
    std::function<PlayStep(std::size_t i)> show;
    // After the main loop drew step `i`: names what it sounds in `item`.
    // Play, Skip, Done or Abandon.
    std::function<PlayStep(std::size_t i, PlayItem& item)> sound;
    // Once, after the play has ended, the grab is gone and held-back page
    // work is done.
    std::function<void(PlayEnd end)> finished;
};

// Starts a play. False, with nothing done, while another play runs.
bool play_session_start(PlayRequest request);

// Ends the running play early (it ends Stopped); nothing when none runs.
void play_session_stop();

// Whether a play runs, and whether it is `page`'s.
bool play_session_active();
bool play_session_playing(PageId page);

// Work held back while a play runs. When none runs, `run` is done at once.
enum class Deferred {
    // A page's own bookkeeping: done as the play ends, before its
    // `finished`, in the order asked; asked twice, it is done once.
    PageWork,
    // File > Open: done from the main loop once the play has ended and its
    // handlers have returned, so it may replace the database. Dropped while
    // a Quit waits.
    Open,
    // Quit or closing the window: likewise, and it replaces a waiting Open
    // (whoever asked to leave is not handed a chooser instead).
    Quit,
};
void play_session_defer(Deferred kind, void (*run)());

// A page was handed another database: a running play ends before its next
// item. The generation counts these changes, so a page can also tell that
// a nested loop of its own (a chooser's, say) saw one.
void play_session_database_changed();
unsigned play_session_generation();
