// GUI tests of the waveforms under the word lists of both pages: what
// they tell assistive technology, that each word's outline is computed
// once per audio value, and that a click plays from the frame clicked.
#include "audio/adpcm.h"
#include "db/operations.h"
#include "tests/gui/words_page_fixture.h"
#include "ui/phrases_page.h"
#include "ui/phrases_page_view.h"
#include "ui/test_hooks.h"
#include "ui/waveform.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Word i lasts 0.4 * (i + 1) s: 3200 ADPCM bytes make 6400 frames.
SpeechDbPtr timed_db(const std::vector<std::vector<int>>& phrases)
{
    std::vector<std::vector<std::uint8_t>> audio;
    std::mt19937 rng(3);
    for (std::size_t i = 0; i < 4; ++i) {
        audio.emplace_back(3200 * (i + 1));
        for (auto& b : audio.back())
            b = std::uint8_t(rng());
    }
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, audio, phrases);
    // As after loading a file: the saved audio is the same value.
    for (std::uint32_t i = 0; i < 4; ++i)
        db_word(db.get(), i)->saved_audio = db_word(db.get(), i)->audio;
    return db;
}

std::string accessible_name(const Waveform& wave)
{
    return atk_object_get_name(gtk_widget_get_accessible(wave.area));
}
std::string accessible_description(const Waveform& wave)
{
    const char* d = atk_object_get_description(gtk_widget_get_accessible(wave.area));
    return d ? d : "";
}

void show_page(int n)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), n);
    pump_for(100);
}

// A click at `fraction` of the waveform's width, through the event queue;
// the frame the view makes of it.
std::size_t click_waveform(const Waveform& wave, double fraction)
{
    GtkAllocation a;
    gtk_widget_get_allocation(wave.area, &a);
    const double x = fraction * a.width;
    GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
    event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(wave.area)));
    event->button.send_event = TRUE;
    event->button.x = x;
    event->button.y = a.height / 2.0;
    event->button.button = 1;
    event->button.device = gdk_device_get_core_pointer();
    gdk_event_put(event);
    gdk_event_free(event);
    pump_events();
    return std::size_t(x / a.width * double(wave.frames));
}

std::vector<std::uint8_t> pcm_of(const SpeechDb* db, int word, std::size_t from_frame = 0)
{
    std::vector<std::uint8_t> pcm = word_sound(db, word);
    return { pcm.begin() + std::ptrdiff_t(2 * from_frame), pcm.end() };
}

class WaveformTest : public WordsPageTest {
protected:
    void SetUp() override
    {
        WordsPageTest::SetUp();
        load(timed_db({ { 0, 2 }, { 1, 3, 1 } }));
        phrases_page_reload(db.get());
        show_page(1);
    }
    void TearDown() override
    {
        phrases_page_reload(nullptr);
        WordsPageTest::TearDown();
    }
};

TEST_F(WaveformTest, AccessibleNameAndLengthFollowTheSelection)
{
    struct Case {
        int page;
        std::function<void()> select;
        const char* name;
        const char* description;
    };
    const PhrasesPageWidgets& p = phrases_page_widgets();
    const Case cases[] = {
        { 1, [] { select_word(-1); }, "Waveform", "" },
        { 1, [] { select_word(1); }, "Waveform of word 2", "0.8 s long" },
        { 1, [] { select_word(3); }, "Waveform of word 4", "1.6 s long" },
        { 0, [&] { select_row(p.phrase_list, -1); }, "Waveform", "" },
        { 0, [&] { select_row(p.phrase_list, 0); }, "Waveform of phrase 1", "1.6 s long" },
        { 0, [&] { select_row(p.phrase_list, 1); }, "Waveform of phrase 2", "3.2 s long" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show_page(c.page);
        c.select();
        const Waveform& wave = c.page == 0 ? phrases_page_waveform() : words_page_waveform();
        EXPECT_EQ(accessible_name(wave), c.name);
        EXPECT_EQ(accessible_description(wave), c.description);
    }
    // Word boundaries: phrase 2 speaks words 2, 4 and 2.
    EXPECT_EQ(phrases_page_waveform().starts, (std::vector<std::size_t> { 0, 12800, 38400 }));
}

TEST_F(WaveformTest, EachAudioValueIsSummarisedOnce)
{
    // Handing the pages the database again starts with an empty cache; from
    // then on each audio value shown, in the Level cells and in the
    // waveforms of both pages, is summarised once.
    const std::size_t before = audio_summary_cache_computed();
    auto computed = [before] { return audio_summary_cache_computed() - before; };
    phrases_page_reload(db.get());
    words_page_reload(db.get());
    show_page(1);
    for (int w : { 0, 1, 0, 3, 2, 0 })
        select_word(w);
    // Phrase 2 speaks word 2 twice and word 4.
    show_page(0);
    select_row(phrases_page_widgets().phrase_list, 1);
    select_row(phrases_page_widgets().phrase_list, 0);
    show_page(1);
    EXPECT_EQ(computed(), 4u) << "four words";

    // New audio is a new value; going back to the saved one is not.
    ASSERT_TRUE(word_set_audio(db.get(), 0, AudioBytes(std::vector<std::uint8_t>(800, 0x17))));
    select_word(1);
    select_word(0);
    pump_for(100);
    EXPECT_EQ(computed(), 5u);
    toggle_changed(0);
    select_word(1);
    select_word(0);
    pump_for(100);
    EXPECT_EQ(computed(), 5u) << "the saved audio was summarised before";
}

TEST_F(WaveformTest, AClickPlaysFromThere)
{
    AlsaCapture capture { AlsaCapture::CAPTURE_ALL };
    select_word(2);
    const std::size_t frame = click_waveform(words_page_waveform(), 0.5);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_GT(frame, 0u);
    const std::vector<std::uint8_t> word = pcm_of(db.get(), 2, frame);
    EXPECT_EQ(capture.bytes(word.size()), word);

    // In a phrase, from the word clicked on: 70% of phrase 2 lies in its
    // second word (word 4), followed by word 2.
    capture.clear();
    show_page(0);
    select_row(phrases_page_widgets().phrase_list, 1);
    const std::size_t at = click_waveform(phrases_page_waveform(), 0.7);
    EXPECT_TRUE(wait_for_play_end());
    const auto [position, offset] = waveform_part_at(phrases_page_waveform(), at);
    EXPECT_EQ(position, 1u);
    std::vector<std::uint8_t> expected = pcm_of(db.get(), 3, offset);
    const std::vector<std::uint8_t> last = pcm_of(db.get(), 1);
    expected.insert(expected.end(), last.begin(), last.end());
    EXPECT_EQ(capture.bytes(expected.size()), expected);
}

} // namespace
