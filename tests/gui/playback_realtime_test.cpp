// GUI tests of playback paced in real time, through a private PulseAudio
// null sink whose output is recorded: Stop, Escape and Space end the sound
// within 100 ms of being asked, measured from what came out of the sink,
// and the window takes clicks and keys while a 10 s word plays.
#include "audio/adpcm.h"
#include "tests/gui/words_page_fixture.h"
#include "tests/pulse_sink.h"
#include "ui/play_session.h"
#include "ui/status_bar.h"
#include "ui/test_hooks.h"
#include "ui/waveform.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = PulseSink::Clock;

constexpr int RATE = 16000;
constexpr double TONE_AMPLITUDE = 6000;
// Louder than anything but the tone: the sink's silence is exact zeros.
constexpr int HEARD = 1000;
constexpr double STOP_LIMIT_MS = 100;

// `seconds` of a steady 440 Hz tone as a word's ADPCM bytes.
std::vector<std::uint8_t> tone_word(double seconds)
{
    std::vector<std::uint8_t> pcm;
    const auto n = std::size_t(seconds * RATE);
    for (std::size_t i = 0; i < n; ++i) {
        const auto s = std::int16_t(std::lround(TONE_AMPLITUDE * std::sin(2 * M_PI * 440.0 * double(i) / RATE)));
        pcm.push_back(std::uint8_t(s & 0xff));
        pcm.push_back(std::uint8_t((s >> 8) & 0xff));
    }
    return adpcm_encode(pcm.data(), pcm.size());
}

// A key pressed while `focus` has the focus, through the event queue.
void press_key(GtkWidget* focus, guint keyval)
{
    gtk_widget_grab_focus(focus);
    queue_key(gtk_widget_get_toplevel(focus), keyval);
}

class RealtimePlayTest : public WordsPageTest {
protected:
    void SetUp() override
    {
        WordsPageTest::SetUp();
        if (!sink.ok())
            GTEST_SKIP() << "no real-time sound: " << sink.why_not();
        ASSERT_TRUE(sink.start_recording()) << "the sink's monitor cannot be recorded";
        load(make_db(DB_FORMAT_MODERN, { tone_word(10), tone_word(0.5) }, { { 0 }, { 1 } }));
        for (int i = 0; i < 100 && !gtk_widget_get_mapped(GTK_WIDGET(words_page_widgets().word_list)); ++i)
            pump_for(20);
    }

    // Starts word 0 (10 s) and lets it sound for a while.
    void play_long_word()
    {
        select_word(0);
        click(words_page_widgets().play);
        ASSERT_TRUE(pump_until([] { return status_bar_text().find("Playing word 1 (1.") == 0; }, 5000))
            << "the status bar shows: " << status_bar_text();
    }

    // How long after `asked` the tone stopped coming out of the sink, in
    // ms, from the recording; negative when no tone was recorded.
    double stop_latency_ms(Clock::time_point asked)
    {
        pump_for(300);
        sink.stop_recording();
        const std::vector<std::int16_t> s = sink.samples();
        std::size_t last = s.size();
        while (last > 0 && std::abs(s[last - 1]) < HEARD)
            --last;
        if (last == 0)
            return -1;
        const double ms = std::chrono::duration<double, std::milli>(sink.out_by(last - 1) - asked).count();
        std::printf("sound ended %.1f ms after the stop was asked\n", ms);
        return ms;
    }

    PulseSink sink;
};

TEST_F(RealtimePlayTest, StopEndsTheSoundWithin100Milliseconds)
{
    play_long_word();
    // The cursor moves across the waveform as the word sounds.
    const Waveform& wave = words_page_waveform();
    ASSERT_TRUE(wave.cursor);
    const std::size_t earlier = *wave.cursor;
    EXPECT_GT(earlier, std::size_t(RATE) * 9 / 10) << "the status bar said 1.0 s";
    pump_for(300);
    ASSERT_TRUE(wave.cursor);
    EXPECT_GT(*wave.cursor, earlier + RATE / 10);

    const Clock::time_point asked = Clock::now();
    click(words_page_widgets().stop);
    EXPECT_FALSE(play_session_active());
    EXPECT_EQ(status_bar_text(), "");
    EXPECT_FALSE(wave.cursor);
    const double ms = stop_latency_ms(asked);
    EXPECT_GE(ms, -STOP_LIMIT_MS) << "no tone came out before the stop";
    EXPECT_LT(ms, STOP_LIMIT_MS);
}

TEST_F(RealtimePlayTest, EscapeEndsTheSoundWithin100Milliseconds)
{
    play_long_word();
    const Clock::time_point asked = Clock::now();
    press_key(GTK_WIDGET(words_page_widgets().word_list), GDK_KEY_Escape);
    EXPECT_TRUE(pump_until([] { return !play_session_active(); }, 1000));
    const double ms = stop_latency_ms(asked);
    EXPECT_GE(ms, -STOP_LIMIT_MS) << "no tone came out before the stop";
    EXPECT_LT(ms, STOP_LIMIT_MS);
}

TEST_F(RealtimePlayTest, WindowTakesClicksAndKeysWhileALongWordPlays)
{
    const WordsPageWidgets& b = words_page_widgets();
    play_long_word();
    // A click on another row selects it; the word goes on playing.
    click_row(b.word_list, 1);
    EXPECT_TRUE(pump_until([] { return words_page_selected_word() == 1; }, 2000));
    EXPECT_TRUE(words_page_playing());
    EXPECT_TRUE(sensitive(b.stop));
    EXPECT_TRUE(sensitive(b.move_up)) << "the buttons follow the new selection";
    // Space stops the play, and Space again plays the selected word.
    press_key(GTK_WIDGET(b.word_list), GDK_KEY_space);
    EXPECT_TRUE(pump_until([] { return !play_session_active(); }, 1000));
    EXPECT_FALSE(sensitive(b.stop));
    press_key(GTK_WIDGET(b.word_list), GDK_KEY_space);
    EXPECT_TRUE(pump_until([] { return status_bar_text().find("Playing word 2 (") == 0; }, 2000))
        << "the status bar shows: " << status_bar_text();
    EXPECT_TRUE(wait_for_play_end(3000)) << "a 0.5 s word";
    EXPECT_EQ(status_bar_text(), "");
}

} // namespace
