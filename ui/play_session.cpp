// The editor's one playback session: the running play with its grab, the
// database generation, the work held back while it plays, and the player
// that walks a play's items, for now by blocking in the audio output.
#include "ui/play_session.h"

#include "db/operations.h"
#include "player/player.h"
#include "ui/test_hooks.h"
#include "ui/widgets.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace {

// The running play. It owns its hold on the window: the grab is taken when
// it starts and released, whatever became of the window meanwhile, when it
// ends. The widget is referenced so it outlives the play.
class Play {
public:
    explicit Play(PlayRequest r, unsigned generation_now)
        : request(std::move(r))
        , generation(generation_now)
    {
        if (request.grab) {
            g_object_ref(request.grab);
            gtk_grab_add(request.grab);
        }
    }
    ~Play()
    {
        if (request.grab) {
            gtk_grab_remove(request.grab);
            g_object_unref(request.grab);
        }
    }
    Play(const Play&) = delete;
    Play& operator=(const Play&) = delete;

    PlayRequest request;
    const unsigned generation;
    std::size_t step = 0;
    bool stop_asked = false;
};

// A File command held back by a play.
struct WaitingCommand {
    Deferred kind;
    void (*run)();
};

struct Session {
    std::optional<Play> play;
    // A play the tests pretend is running.
    bool pretended = false;
    unsigned generation = 0;
    std::vector<void (*)()> page_work;
    std::optional<WaitingCommand> command;
    guint command_source = 0;
};

Session session;

// Why the running play cannot go on, if it cannot.
std::optional<PlayEnd> interruption(const Play& play)
{
    if (play.stop_asked)
        return PlayEnd::Stopped;
    if (play.generation != session.generation)
        return PlayEnd::Abandoned;
    return std::nullopt;
}

PlayEnd end_of(PlayStep step)
{
    return step == PlayStep::Done ? PlayEnd::Completed : PlayEnd::Abandoned;
}

// Walks the play's steps up to the next item that sounds: true with it in
// `item`, or false with how the play ended in `end`.
bool next_item(Play& play, PlayItem& item, PlayEnd& end)
{
    for (;; ++play.step) {
        if (auto why = interruption(play)) {
            end = *why;
            return false;
        }
        const PlayStep shown = play.request.show(play.step);
        if (shown != PlayStep::Play) {
            end = end_of(shown);
            return false;
        }
        // The selection of the item is drawn before its sound blocks.
        run_pending_events();
        if (auto why = interruption(play)) {
            end = *why;
            return false;
        }
        const PlayStep named = play.request.sound(play.step, item);
        if (named == PlayStep::Play) {
            ++play.step;
            return true;
        }
        if (named != PlayStep::Skip) {
            end = end_of(named);
            return false;
        }
    }
}

// Sounds one item; returns when it has ended. A device that cannot be
// opened is silence to the editor.
void sound_blocking(const SpeechDb* db, const PlayItem& item)
{
    if (item.kind == PlayItemKind::Word)
        word_play(db, item.number);
    else
        phrase_play(db, item.number);
}

gboolean on_command_idle(gpointer)
{
    session.command_source = 0;
    // A play that started before this ran holds the command back again.
    if (play_session_active())
        return FALSE;
    const std::optional<WaitingCommand> command = std::exchange(session.command, std::nullopt);
    if (command)
        command->run();
    return FALSE;
}

// The end of every play: the held-back page work, the page's own finish,
// and then, from the main loop, a command that may free the database.
void after_play(const std::function<void(PlayEnd)>& finished, PlayEnd end)
{
    // Taken first: page work may ask for more, which then waits for the
    // next play or runs at once.
    const std::vector<void (*)()> work = std::exchange(session.page_work, {});
    for (void (*run)() : work)
        run();
    if (finished)
        finished(end);
    if (session.command && !session.command_source)
        session.command_source = g_idle_add(on_command_idle, nullptr);
}

} // namespace

bool play_session_start(PlayRequest request)
{
    if (play_session_active())
        return false;
    Play& play = session.play.emplace(std::move(request), session.generation);
    PlayItem item;
    PlayEnd end = PlayEnd::Completed;
    while (next_item(play, item, end))
        sound_blocking(play.request.db, item);
    const std::function<void(PlayEnd)> finished = std::move(play.request.finished);
    session.play.reset();
    after_play(finished, end);
    return true;
}

void play_session_stop()
{
    if (session.play)
        session.play->stop_asked = true;
}

bool play_session_active()
{
    return session.play || session.pretended;
}

bool play_session_playing(PageId page)
{
    return session.play && session.play->request.owner == page;
}

void play_session_defer(Deferred kind, void (*run)())
{
    if (!play_session_active()) {
        run();
        return;
    }
    switch (kind) {
    case Deferred::PageWork:
        if (std::find(session.page_work.begin(), session.page_work.end(), run) == session.page_work.end())
            session.page_work.push_back(run);
        break;
    case Deferred::Open:
        if (!session.command)
            session.command = WaitingCommand { kind, run };
        break;
    case Deferred::Quit:
        session.command = WaitingCommand { kind, run };
        break;
    }
}

void play_session_database_changed()
{
    ++session.generation;
}

unsigned play_session_generation()
{
    return session.generation;
}

void play_session_pretend_for_tests(bool playing)
{
    if (playing == session.pretended)
        return;
    session.pretended = playing;
    if (!playing)
        after_play(nullptr, PlayEnd::Completed);
}

void play_session_reset_for_tests()
{
    if (session.command_source)
        g_source_remove(session.command_source);
    session.command_source = 0;
    session.command.reset();
    session.page_work.clear();
    session.pretended = false;
}
