// GUI tests of the Words page's Replace and Save through real WAV files
// and file choosers, with the error dialogs for files it cannot use, and
// of navigation to the Phrases page.
#include "audio/adpcm.h"
#include "audio/wav.h"
#include "db/operations.h"
#include "tests/gui/words_page_fixture.h"
#include "tests/unit/test_db.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The dialog's labels begin with `text` as one whole (the button's label
// may follow on a line of its own).
bool shows_message(const SeenDialog& d, const std::string& text)
{
    return d.kind == "message" && d.text.rfind(text, 0) == 0 && (d.text.size() == text.size() || d.text[text.size()] == '\n');
}

std::vector<std::uint8_t> ramp_pcm(int samples)
{
    std::vector<std::uint8_t> pcm;
    for (int i = 0; i < samples; ++i) {
        auto v = std::uint16_t(std::int16_t((i * 700) % 30000 - 15000));
        pcm.push_back(std::uint8_t(v));
        pcm.push_back(std::uint8_t(v >> 8));
    }
    return pcm;
}

TEST_F(WordsPageTest, SaveSuggestsTheNumberedNameAndWritesTheWord)
{
    load(test_db(8, {{0}}));
    const WordsPageWidgets& b = words_page_widgets();

    select_word(0);
    queue_answer(answer_choose(dir.file("first.wav")));
    click(b.save);
    ASSERT_EQ(seen_dialogs().size(), 1u);
    EXPECT_EQ(seen_dialogs()[0].current_name, "001.wav");
    EXPECT_TRUE(seen_dialogs()[0].overwrite_confirmation);
    std::vector<std::uint8_t> file = read_bytes(dir.file("first.wav"));
    std::vector<std::uint8_t> pcm = word_sound(db.get(), 0);
    ASSERT_EQ(file.size(), 44 + pcm.size());
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), file.begin() + 44));

    select_word(6);
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    click(b.save);
    ASSERT_EQ(seen_dialogs().size(), 2u);
    EXPECT_EQ(seen_dialogs()[1].current_name, "007.wav");
}

TEST_F(WordsPageTest, SaveReplacesAFileTheUserAgreedToOverwrite)
{
    load(test_db(3, {{0}}));
    write_bytes(dir.file("old.wav"), std::vector<std::uint8_t>(10, 'x'));
    select_word(1);
    queue_answer(answer_choose(dir.file("old.wav")));
    queue_answer(answer_response(GTK_RESPONSE_ACCEPT)); // the chooser's "replace?" question
    click(words_page_widgets().save);
    EXPECT_EQ(seen_dialogs().size(), 2u);
    std::vector<std::uint8_t> file = read_bytes(dir.file("old.wav"));
    std::vector<std::uint8_t> pcm = word_sound(db.get(), 1);
    ASSERT_EQ(file.size(), 44 + pcm.size());
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), file.begin() + 44));
}

TEST_F(WordsPageTest, SaveFailureShowsTheReason)
{
    load(test_db(4, {{0}}));
    db_word(db.get(), 3)->audio = {};
    select_word(3);
    queue_answer(answer_choose(dir.file("empty.wav")));
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    click(words_page_widgets().save);
    ASSERT_EQ(seen_dialogs().size(), 2u);
    EXPECT_EQ(seen_dialogs()[1].kind, "message");
    EXPECT_EQ(seen_dialogs()[1].message_type, GTK_MESSAGE_ERROR);
    EXPECT_TRUE(shows_message(seen_dialogs()[1], "Error saving audio file\nNo data in word 3")) << seen_dialogs()[1].text;
}

TEST_F(WordsPageTest, ReplaceImportsAWavAndTheChangedBoxRevertsIt)
{
    load(test_db(4, {{1}}));
    const WordsPageWidgets& b = words_page_widgets();
    std::vector<std::uint8_t> saved = db_word(db.get(), 1)->audio.to_vector();
    std::vector<std::uint8_t> pcm = ramp_pcm(301); // odd: padded to whole bytes
    write_wav(dir.file("new.wav"), pcm);

    select_word(1);
    queue_answer(answer_choose(dir.file("new.wav")));
    click(b.replace);
    ASSERT_EQ(seen_dialogs().size(), 1u);
    EXPECT_EQ(seen_dialogs()[0].chooser_action, GTK_FILE_CHOOSER_ACTION_OPEN);
    pcm.resize(604);
    EXPECT_EQ(db_word(db.get(), 1)->audio, adpcm_encode(pcm.data(), pcm.size()));
    EXPECT_TRUE(word_is_changed(db.get(), 1));
    EXPECT_EQ(toggle_shown(b.word_list, 1), std::make_pair(true, true));
    EXPECT_EQ(toggle_shown(b.word_list, 0), std::make_pair(false, false));
    EXPECT_EQ(db->modified, 1) << "a new recording is unsaved work";

    toggle_changed(1);
    EXPECT_EQ(db_word(db.get(), 1)->audio, saved);
    EXPECT_FALSE(word_is_changed(db.get(), 1));
    EXPECT_EQ(toggle_shown(b.word_list, 1), std::make_pair(false, false));
    EXPECT_EQ(list_values(b.usage_list), (std::vector<int>{0}));
    EXPECT_EQ(words_page_selected_word(), 1);
}

TEST_F(WordsPageTest, ReplaceAsksBeforeConvertingAndRefusesWhatItCannotRead)
{
    load(test_db(3, {{0}}));
    std::vector<std::uint8_t> before = db_word(db.get(), 2)->audio.to_vector();
    write_wav(dir.file("stereo.wav"), ramp_pcm(100), 2);
    write_wav(dir.file("8k.wav"), ramp_pcm(100), 1, 8000);
    write_wav(dir.file("tiny.wav"), {1, 2});
    write_bytes(dir.file("text.wav"), std::vector<std::uint8_t>(100, 'x'));

    select_word(2);
    const struct {
        const char* name;
        GtkMessageType type;
        std::string text;
    } cases[] = {
        {"stereo.wav", GTK_MESSAGE_QUESTION, "stereo.wav is 16000 Hz, stereo, 16-bit. Convert it to 16000 Hz mono?"},
        {"8k.wav", GTK_MESSAGE_QUESTION, "8k.wav is 8000 Hz, mono, 16-bit. Convert it to 16000 Hz mono?"},
        {"tiny.wav", GTK_MESSAGE_ERROR, "Error loading audio file\nFile is too small"},
        {"text.wav", GTK_MESSAGE_ERROR, "Error loading audio file\nInvalid RIFF header"},
    };
    for (const auto& c : cases) {
        queue_answer(answer_choose(dir.file(c.name)));
        // Cancel on the question, Close on the message.
        queue_answer(answer_response(c.type == GTK_MESSAGE_QUESTION ? GTK_RESPONSE_CANCEL : GTK_RESPONSE_CLOSE));
        click(words_page_widgets().replace);
        ASSERT_EQ(seen_dialogs().size() % 2, 0u);
        const SeenDialog& d = seen_dialogs().back();
        EXPECT_EQ(d.message_type, c.type) << c.name;
        EXPECT_TRUE(shows_message(d, c.text)) << d.text;
    }
    EXPECT_EQ(db_word(db.get(), 2)->audio, before);
    EXPECT_FALSE(word_is_changed(db.get(), 2));
    EXPECT_EQ(toggle_shown(words_page_widgets().word_list, 2), std::make_pair(false, false));
}

// Running out of memory while reading the new audio leaves the word as it
// was and says so; the editor goes on.
TEST_F(WordsPageTest, ReplaceThatRunsOutOfMemoryKeepsTheWord)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    load(test_db(3, {{0}}));
    const std::vector<std::uint8_t> before = db_word(db.get(), 2)->audio.to_vector();
    // 16 minutes of stereo at 44.1 kHz, 169 MB of silence that takes no
    // disk: more than the room the reader is given.
    const std::string path = dir.file("long.wav");
    const std::uint32_t data = 44100u * 4 * 60 * 16;
    std::vector<std::uint8_t> head(WAV_HEADER_SIZE);
    wav_header(1, 44100, 2, 16, data, head.data());
    ASSERT_TRUE(write_bytes(path, head));
    ASSERT_EQ(truncate(path.c_str(), off_t(WAV_HEADER_SIZE) + data), 0);

    select_word(2);
    // The same two dialogs once without the limit: the toolkit's font
    // threads for their texts start here, not where no room is left.
    const std::string text = dir.file("text.wav");
    ASSERT_TRUE(write_bytes(text, std::vector<std::uint8_t>(100, 'x')));
    for (const auto& [file, answer] : {std::pair(path, GTK_RESPONSE_CANCEL), std::pair(text, GTK_RESPONSE_CLOSE)}) {
        queue_answer(answer_choose(file));
        queue_answer(answer_response(answer));
        click(words_page_widgets().replace);
    }
    queue_answer(answer_choose(path));
    queue_answer(answer_response(GTK_RESPONSE_ACCEPT)); // convert it
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    {
        const AddressSpaceRoom room(140ull << 20);
        ASSERT_TRUE(room.set);
        click(words_page_widgets().replace);
    }
    ASSERT_EQ(seen_dialogs().size(), 7u);
    EXPECT_TRUE(shows_message(seen_dialogs()[6], "Error loading audio file\nOut of memory")) << seen_dialogs()[6].text;
    EXPECT_EQ(db_word(db.get(), 2)->audio.to_vector(), before);
    EXPECT_FALSE(word_is_changed(db.get(), 2));
}

TEST_F(WordsPageTest, CancelledChoosersChangeNothing)
{
    load(test_db(3, {{0}}));
    select_word(1);
    std::vector<std::uint8_t> before = db_word(db.get(), 1)->audio.to_vector();
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    click(words_page_widgets().replace);
    queue_answer(answer_close());
    click(words_page_widgets().save);
    EXPECT_EQ(seen_dialogs().size(), 2u);
    EXPECT_EQ(db_word(db.get(), 1)->audio, before);
}

TEST_F(WordsPageTest, NavigatesBothWaysBetweenThePages)
{
    load(test_db(5, {{0}, {3, 4}, {3}}));
    GtkNotebook* notebook = GTK_NOTEBOOK(shell_notebook());
    const WordsPageWidgets& b = words_page_widgets();

    gtk_notebook_set_current_page(notebook, 0);
    shell_go_to_word(3);
    pump_events();
    EXPECT_EQ(gtk_notebook_get_current_page(notebook), 1);
    EXPECT_EQ(words_page_selected_word(), 3);
    EXPECT_EQ(list_values(b.usage_list), (std::vector<int>{1, 2}));

    select_usage(1);
    EXPECT_TRUE(sensitive(b.go_to_phrase));
    click(b.go_to_phrase);
    EXPECT_EQ(gtk_notebook_get_current_page(notebook), 0);
}

} // namespace
