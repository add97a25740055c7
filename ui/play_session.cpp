// The editor's one playback session: the running play and its sound, the
// database generation, the work held back while it plays, the Stop buttons
// and the status bar's playback message.
//
// A step runs in two passes of the main loop: the page shows the item, an
// idle later (after the redraw) it names the sound, which then plays on a
// worker thread. A timeout reads the sound's progress and, once it has
// ended, starts the next step. Stopping drops the sound and ends the play
// there and then, unless the stop comes from inside one of the page's own
// step functions: the play then ends as soon as that function returns.
#include "ui/play_session.h"

#include "audio/playback_stream.h"
#include "db/operations.h"
#include "io/i18n.h"
#include "ui/gtk_ptr.h"
#include "ui/status_bar.h"
#include "ui/test_hooks.h"
#include "ui/widgets.h"

#include <algorithm>
#include <gdk/gdkkeysyms.h>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

namespace {

// How often a sounding item's progress is read: the cursor and the status
// bar move this often, and the next item starts at most this late.
constexpr guint TICK_MS = 25;

// The running play.
struct Play {
    Play(PlayRequest r, unsigned generation_now)
        : request(std::move(r))
        , generation(generation_now)
    {
    }
    PlayRequest request;
    const unsigned generation;
    std::size_t step = 0;
    bool stop_asked = false;
    // Inside one of the page's step functions: the play must not end yet.
    bool in_page_code = false;
    // The idle before a step's sound, or the timeout while it sounds.
    guint source = 0;
    AudioStreamPtr stream;
    PlayProgress progress;
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
    std::vector<GtkWidget*> stop_buttons;
};

Session session;

void update_stop_buttons()
{
    const gboolean on = play_session_active();
    for (GtkWidget* button : session.stop_buttons)
        set_button_state(button, on, _("Stops the sound that is playing (Escape)."), _("Nothing is playing."));
}

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

// The PCM an item sounds: a word, or the words of a phrase one after the
// other. Empty when there is nothing to sound.
std::vector<std::uint8_t> item_pcm(const SpeechDb* db, const PlayItem& item)
{
    auto word = [db](std::uint32_t n) { return word_pcm(db, n).samples; };
    if (item.kind == PlayItemKind::Word)
        return word(item.number);
    std::vector<std::uint8_t> pcm;
    const std::uint32_t count = phrase_word_count(db, item.number);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t n = phrase_word_number(db, item.number, i);
        if (n == WORD_NONE)
            continue;
        const std::vector<std::uint8_t> part = word(n);
        pcm.insert(pcm.end(), part.begin(), part.end());
    }
    return pcm;
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
// and then, from the main loop, a command that waited for it.
void after_play(const std::function<void(PlayEnd)>& finished, PlayEnd end)
{
    update_stop_buttons();
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

void end_play(PlayEnd end)
{
    Play& play = *session.play;
    if (play.source)
        g_source_remove(play.source);
    play.source = 0;
    // Drops whatever still sounds and closes the device.
    play.stream.reset();
    const std::function<void(PlayEnd)> finished = std::move(play.request.finished);
    session.play.reset();
    status_bar_clear(StatusContext::Playback);
    after_play(finished, end);
}

void begin_step();

// Calls one of the page's step functions; an interruption asked for inside
// it (or a step that gives up) ends the play. False when it has ended.
template <typename F>
bool page_says_play(F&& call, PlayStep& answer)
{
    Play& play = *session.play;
    play.in_page_code = true;
    answer = call(play);
    play.in_page_code = false;
    if (auto why = interruption(play)) {
        end_play(*why);
        return false;
    }
    if (answer != PlayStep::Play && answer != PlayStep::Skip) {
        end_play(end_of(answer));
        return false;
    }
    return true;
}

void report_progress(Play& play)
{
    if (play.request.progress)
        play.request.progress(play.progress);
    status_bar_set(StatusContext::Playback, play_session_status_text(play.progress));
}

gboolean on_tick(gpointer)
{
    Play& play = *session.play;
    const AudioStreamStatus status = audio_stream_status(*play.stream);
    play.progress.played_frames = status.played_frames;
    play.in_page_code = true;
    report_progress(play);
    play.in_page_code = false;
    if (auto why = interruption(play)) {
        play.source = 0;
        end_play(*why);
        return FALSE;
    }
    if (!status.ended)
        return TRUE;
    // A device that cannot be opened is silence to the editor: the play
    // goes on to the next item, which fails as quickly.
    play.source = 0;
    play.stream.reset();
    ++play.step;
    begin_step();
    return FALSE;
}

// Starts the item's sound; false when it has nothing to sound.
bool start_sound(Play& play, const PlayItem& item)
{
    auto pcm = std::make_shared<const std::vector<std::uint8_t>>(item_pcm(play.request.db, item));
    const SpeechDb* db = play.request.db;
    const std::size_t frames = pcm->size() / 2;
    play.stream = audio_stream_start(pcm, db->sample_rate, db->channels, db->bits_per_sample, item.start_frame);
    if (!play.stream)
        return false;
    play.progress = { item, play.step, item.start_frame, frames, db->sample_rate };
    report_progress(play);
    play.source = g_timeout_add(TICK_MS, on_tick, nullptr);
    return true;
}

gboolean on_sound_idle(gpointer)
{
    Play& play = *session.play;
    play.source = 0;
    if (auto why = interruption(play)) {
        end_play(*why);
        return FALSE;
    }
    PlayItem item;
    PlayStep answer = PlayStep::Done;
    if (!page_says_play([&item](Play& p) { return p.request.sound(p.step, item); }, answer))
        return FALSE;
    if (answer == PlayStep::Play && start_sound(*session.play, item))
        return FALSE;
    ++session.play->step;
    begin_step();
    return FALSE;
}

// Shows the current step's item; its sound is named from an idle, once
// the main loop has drawn the selection (and run what was queued before).
void begin_step()
{
    PlayStep answer = PlayStep::Done;
    if (!page_says_play([](Play& p) { return p.request.show(p.step); }, answer))
        return;
    session.play->source = g_idle_add(on_sound_idle, nullptr);
}

void on_stop_button_clicked(GtkButton*, gpointer)
{
    play_session_stop();
}

void on_stop_button_destroy(GtkWidget* button, gpointer)
{
    std::erase(session.stop_buttons, button);
}

} // namespace

bool play_session_start(PlayRequest request)
{
    if (play_session_active())
        return false;
    session.play.emplace(std::move(request), session.generation);
    update_stop_buttons();
    begin_step();
    return true;
}

bool play_session_stop()
{
    if (session.pretended) {
        play_session_pretend_for_tests(false);
        return true;
    }
    if (!session.play)
        return true;
    session.play->stop_asked = true;
    if (session.play->in_page_code)
        return false;
    end_play(PlayEnd::Stopped);
    return true;
}

GtkWidget* play_session_stop_button_new()
{
    GtkWidget* button = gtk_button_new_with_mnemonic(_("S_top"));
    session.stop_buttons.push_back(button);
    g_signal_connect(button, "clicked", G_CALLBACK(on_stop_button_clicked), nullptr);
    g_signal_connect(button, "destroy", G_CALLBACK(on_stop_button_destroy), nullptr);
    set_button_state(button, play_session_active(), _("Stops the sound that is playing (Escape)."),
        _("Nothing is playing."));
    return button;
}

bool play_session_space_key(const GdkEventKey* event, const std::function<void()>& play)
{
    constexpr guint MODIFIERS = GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK;
    if (event->keyval != GDK_KEY_space || (event->state & MODIFIERS))
        return false;
    if (play_session_active())
        play_session_stop();
    else
        play();
    return true;
}

std::string play_session_status_text(const PlayProgress& progress)
{
    const double rate = progress.sample_rate > 0 ? progress.sample_rate : 1;
    // Whole sentences, so that a translation can order them its own way.
    const char* format = progress.item.kind == PlayItemKind::Word ? _("Playing word %u (%.1f s of %.1f s)")
                                                                   : _("Playing phrase %u (%.1f s of %.1f s)");
    GCharPtr text(g_strdup_printf(format, progress.item.number + 1, double(progress.played_frames) / rate,
        double(progress.total_frames) / rate));
    return text.get();
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
    // The play's steps read the database that is going away.
    if (session.play && !session.play->in_page_code)
        end_play(PlayEnd::Abandoned);
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
    update_stop_buttons();
    if (!playing)
        after_play(nullptr, PlayEnd::Completed);
}

void play_session_reset_for_tests()
{
    if (session.play) {
        session.play->request.finished = nullptr;
        end_play(PlayEnd::Abandoned);
    }
    if (session.command_source)
        g_source_remove(session.command_source);
    session.command_source = 0;
    session.command.reset();
    session.page_work.clear();
    session.pretended = false;
}
