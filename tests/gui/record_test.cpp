// GUI tests of recording a word: through ALSA's file plugin, which records
// the bytes of a file, the word gets exactly the encoded samples recorded,
// as one step of the history; Cancel, Escape and closing the dialog change
// nothing, a device that cannot be opened is reported and changes nothing,
// and a running play is stopped first.
#include "audio/adpcm.h"
#include "db/history.h"
#include "db/operations.h"
#include "tests/gui/words_page_fixture.h"
#include "ui/play_session.h"
#include "ui/record_dialog.h"
#include "ui/status_bar.h"
#include "ui/test_hooks.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

// ALSA's default device records the bytes of `input` (and plays into
// nothing) while it lives.
struct RecordFrom {
    TempDir dir;
    std::string input = dir.file("IN.raw");
    std::string previous;
    bool had_previous = false;

    explicit RecordFrom(const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const std::string config = dir.file("asound.conf");
        std::ofstream(config) << "pcm.!default { type file; slave.pcm { type null }; file \"/dev/null\"; infile \""
                              << input << "\"; format \"raw\" }\n";
        if (const char* old = std::getenv("ALSA_CONFIG_PATH")) {
            had_previous = true;
            previous = old;
        }
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    }
    ~RecordFrom()
    {
        if (had_previous)
            setenv("ALSA_CONFIG_PATH", previous.c_str(), 1);
        else
            unsetenv("ALSA_CONFIG_PATH");
    }
};

// Half a second of a 440 Hz tone.
std::vector<std::uint8_t> voice()
{
    std::vector<std::uint8_t> pcm;
    for (int i = 0; i < 8000; ++i) {
        const auto s = std::int16_t(std::lround(9000 * std::sin(2 * M_PI * 440.0 * i / 16000)));
        pcm.push_back(std::uint8_t(s & 0xff));
        pcm.push_back(std::uint8_t((s >> 8) & 0xff));
    }
    return pcm;
}

class RecordTest : public WordsPageTest {
protected:
    void SetUp() override
    {
        WordsPageTest::SetUp();
        load(test_db(3, { { 0, 1 } }));
        select_word(1);
        old_audio = db_word(db.get(), 1)->audio;
    }

    // Nothing about the database changed.
    void expect_unchanged()
    {
        EXPECT_TRUE(db_word(db.get(), 1)->audio == old_audio);
        EXPECT_FALSE(db_is_modified(db.get()));
        EXPECT_EQ(history_undo_count(db.get()), 0u);
        EXPECT_EQ(status_bar_text(), "");
    }

    AudioBytes old_audio;
};

TEST_F(RecordTest, StopKeepsExactlyWhatWasRecordedAsOneUndoableStep)
{
    const std::vector<std::uint8_t> input = voice();
    RecordFrom device(input);
    std::string shown_while_recording;
    queue_answer(answer_drive([&](GtkWidget* dialog) {
        pump_for(1500);
        shown_while_recording = status_bar_text();
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    }));
    click(words_page_widgets().record);
    ASSERT_EQ(seen_dialogs().size(), 1u);
    EXPECT_EQ(seen_dialogs()[0].title, "Record Word 2");
    EXPECT_EQ(shown_while_recording.rfind("Recording word 2 (", 0), 0u) << shown_while_recording;

    const std::vector<std::uint8_t>& recorded = record_dialog_last_recording();
    ASSERT_GE(recorded.size(), input.size());
    EXPECT_TRUE(std::equal(input.begin(), input.end(), recorded.begin())) << "the device's bytes come first";
    const AudioBytes stored = db_word(db.get(), 1)->audio;
    EXPECT_TRUE(stored == adpcm_encode(recorded.data(), recorded.size()));
    EXPECT_TRUE(db_is_modified(db.get()));
    EXPECT_TRUE(db_word(db.get(), 1)->changed);
    EXPECT_EQ(history_undo_count(db.get()), 1u);
    EXPECT_EQ(history_undo_label(db.get()), "Record Word 2");
    EXPECT_EQ(status_bar_text(), "");

    ASSERT_TRUE(history_undo(db.get()));
    EXPECT_TRUE(db_word(db.get(), 1)->audio == old_audio);
    EXPECT_FALSE(db_is_modified(db.get()));
}

TEST_F(RecordTest, CancelEscapeAndClosingDiscardTheRecording)
{
    RecordFrom device(voice());
    GtkWidget* window = gtk_widget_get_toplevel(GTK_WIDGET(words_page_widgets().word_list));
    struct Case {
        const char* what;
        DialogAnswer answer;
        bool by_shortcut; // Ctrl+R instead of the button
    };
    const Case cases[] = {
        { "Cancel", answer_after([](GtkWidget*) { pump_for(200); }, GTK_RESPONSE_CANCEL), false },
        { "closed", answer_close(), false },
        { "Escape",
            answer_drive([](GtkWidget* dialog) {
                pump_for(200);
                queue_key(dialog, GDK_KEY_Escape);
                pump_events();
            }),
            true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A play that runs is stopped before the device is opened.
        play_session_pretend_for_tests(true);
        const std::size_t dialogs = seen_dialogs().size();
        queue_answer(c.answer);
        if (c.by_shortcut)
            queue_key(window, GDK_KEY_r, GDK_CONTROL_MASK);
        else
            gtk_button_clicked(GTK_BUTTON(words_page_widgets().record));
        pump_until([&] { return seen_dialogs().size() > dialogs && !gtk_grab_get_current(); });
        pump_events();
        ASSERT_EQ(seen_dialogs().size(), dialogs + 1);
        EXPECT_EQ(seen_dialogs().back().title, "Record Word 2");
        EXPECT_FALSE(play_session_active());
        expect_unchanged();
    }
}

TEST_F(RecordTest, ADeviceThatCannotBeOpenedIsReportedAndChangesNothing)
{
    AlsaCapture no_device { AlsaCapture::NO_DEVICE };
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    click(words_page_widgets().record);
    ASSERT_EQ(seen_dialogs().size(), 1u);
    EXPECT_EQ(seen_dialogs()[0].message_type, GTK_MESSAGE_ERROR);
    EXPECT_EQ(seen_dialogs()[0].text.rfind("Unable to open the recording device\n", 0), 0u) << seen_dialogs()[0].text;
    expect_unchanged();
}

} // namespace
