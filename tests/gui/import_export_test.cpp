// GUI tests of bringing recordings in and taking words out: the Replace
// question with its remembered choices, File > Import Words… (the plan
// table, the import, Cancel half-way), File > Export Words… (existing
// files: Skip and Replace All) and the Phrases page's Save Phrase….
#include "audio/adpcm.h"
#include "audio/wav.h"
#include "db/csf.h"
#include "db/operations.h"
#include "tests/gui/shell_fixture.h"
#include "tests/gui/words_page_fixture.h"
#include "tests/unit/test_db.h"
#include "ui/gtk_ptr.h"
#include "ui/phrases_page_view.h"
#include "ui/settings.h"
#include "ui/shell.h"
#include "ui/words_page_view.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <gdk/gdkkeysyms.h>
#include <map>
#include <sys/stat.h>

namespace {

bool sox(const std::string& args) { return std::system(("sox -V1 " + args).c_str()) == 0; }

// The button or check box of `dialog` whose label is `label`.
GtkWidget* control(GtkWidget* dialog, const std::string& label)
{
    for (GtkWidget* b : find_all(dialog, GTK_TYPE_BUTTON)) {
        if (shown_label(b) == label)
            return b;
    }
    ADD_FAILURE() << "no control labelled " << label;
    return nullptr;
}

// Every labelled button of `dialog`, its own and the response buttons,
// can be reached from the keyboard by a letter no other one uses.
void expect_own_letters(GtkWidget* dialog)
{
    std::map<guint, std::string> seen;
    for (GtkWidget* b : find_all(dialog, GTK_TYPE_BUTTON)) {
        const std::vector<GtkWidget*> labels = find_all(b, GTK_TYPE_LABEL);
        if (labels.empty() || !*gtk_label_get_text(GTK_LABEL(labels[0])))
            continue;
        const std::string text = gtk_label_get_text(GTK_LABEL(labels[0]));
        const guint key = gtk_label_get_mnemonic_keyval(GTK_LABEL(labels[0]));
        EXPECT_NE(key, guint(GDK_KEY_VoidSymbol)) << text << " has no underlined letter";
        const auto [it, fresh] = seen.emplace(gdk_keyval_to_lower(key), text);
        EXPECT_TRUE(fresh || key == GDK_KEY_VoidSymbol) << text << " shares its letter with " << it->second;
    }
    EXPECT_GE(seen.size(), 4u);
}

void set_active(GtkWidget* dialog, const std::string& label, bool on)
{
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(control(dialog, label)), on);
}

bool is_active(GtkWidget* dialog, const std::string& label)
{
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(control(dialog, label)));
}

// Every row of the first tree view of `dialog`, its columns joined by " | ".
std::vector<std::string> table_rows(GtkWidget* dialog)
{
    std::vector<std::string> rows;
    GtkTreeView* view = GTK_TREE_VIEW(find_all(dialog, GTK_TYPE_TREE_VIEW).at(0));
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    const int n = gtk_tree_model_iter_n_children(model, nullptr);
    for (int r = 0; r < n; ++r) {
        std::string row;
        for (int c = 0; c < 4; ++c)
            row += (c ? " | " : "") + cell_text(view, c, r);
        rows.push_back(row);
    }
    return rows;
}

std::string label_starting(GtkWidget* dialog, const std::string& start)
{
    for (GtkWidget* l : find_all(dialog, GTK_TYPE_LABEL)) {
        const std::string text = gtk_label_get_text(GTK_LABEL(l));
        if (text.rfind(start, 0) == 0)
            return text;
    }
    return "";
}

std::vector<std::vector<std::uint8_t>> all_audio(const SpeechDb* db)
{
    std::vector<std::vector<std::uint8_t>> audio;
    for (std::uint32_t w = 0; w < word_count(db); ++w)
        audio.push_back(db_word(db, w)->audio.to_vector());
    return audio;
}

// A database of `words` short words saved as dir/name, opened through
// File > Open.
std::string csf_of(const TempDir& dir, const char* name, int words)
{
    std::vector<std::vector<std::uint8_t>> audio(std::size_t(words), std::vector<std::uint8_t>{0x12, 0x34, 0x56});
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, audio, {{0, 1}, {1, 0}});
    const std::string path = dir.file(name);
    ErrorText err;
    EXPECT_TRUE(csf_save(db.get(), path.c_str(), &err)) << err;
    return path;
}

constexpr int IMPORT_WORDS_ITEM = FILE_IMPORT_WORDS;
constexpr int EXPORT_WORDS_ITEM = FILE_EXPORT_WORDS;

} // namespace

TEST_F(WordsPageTest, ReplaceConvertsWithTheChoicesAndRemembersThem)
{
    PrivateConfigHome home;
    load(test_db(3, {{0}}));
    const std::string voice = dir.file("voice.flac");
    ASSERT_TRUE(sox("-n -r 44100 -c 2 -b 24 " + voice + " synth 0.5 sine 600 vol 0.3 pad 0.4 0.4"));
    select_word(1);
    queue_answer(answer_choose(voice));
    queue_answer(answer_after(
        [](GtkWidget* d) {
            expect_own_letters(d);
            EXPECT_FALSE(is_active(d, "Trim silence"));
            EXPECT_TRUE(is_active(d, "Standard"));
            set_active(d, "Trim silence", true);
            set_active(d, "Best", true);
        },
        GTK_RESPONSE_ACCEPT));
    click(words_page_widgets().replace);
    ASSERT_EQ(seen_dialogs().size(), 2u);
    EXPECT_EQ(seen_dialogs()[1].text.substr(0, seen_dialogs()[1].text.find('\n')),
              "voice.flac is 44100 Hz, stereo, 24-bit. Convert it to 16000 Hz mono?");
    EXPECT_EQ(seen_dialogs()[1].buttons, (std::vector<std::string>{"gtk-cancel", "C_onvert"}));
    EXPECT_TRUE(word_is_changed(db.get(), 1));
    // The tone and 30 ms on each side; two samples a byte.
    EXPECT_NEAR(double(db_word(db.get(), 1)->audio.size()) * 2, 16000 * 0.56, 16000 * 0.012);

    // The next question starts from the remembered choices; Cancel keeps
    // the word.
    const auto before = db_word(db.get(), 2)->audio.to_vector();
    bool trim = false, best = false;
    select_word(2);
    queue_answer(answer_choose(voice));
    queue_answer(answer_after(
        [&](GtkWidget* d) {
            trim = is_active(d, "Trim silence");
            best = is_active(d, "Best");
        },
        GTK_RESPONSE_CANCEL));
    click(words_page_widgets().replace);
    EXPECT_TRUE(trim);
    EXPECT_TRUE(best);
    EXPECT_EQ(db_word(db.get(), 2)->audio, before);
    const std::vector<std::uint8_t> saved = read_bytes(settings_path());
    const std::string text(saved.begin(), saved.end());
    EXPECT_NE(text.find("[import]"), std::string::npos) << text;
    EXPECT_NE(text.find("trim=true"), std::string::npos) << text;
    EXPECT_NE(text.find("quality=best"), std::string::npos) << text;
}

TEST_F(ShellTest, ImportWordsShowsThePlanThenReplacesTheMatchedWords)
{
    PrivateConfigHome home;
    open_path(csf_of(dir, "voice.csf", 4));
    SpeechDb* db = shell_database();
    ASSERT_TRUE(word_set_alias(db, 3, "left"));
    const std::string in = dir.file("takes");
    mkdir(in.c_str(), 0755);
    ASSERT_TRUE(sox("-n -r 16000 -c 1 -b 16 " + in + "/01.wav synth 0.2 sine 440 vol 0.2"));
    ASSERT_TRUE(sox("-n -r 48000 -c 2 -b 24 " + in + "/left.flac synth 0.3 sine 300 vol 0.3"));
    ASSERT_TRUE(sox("-n -r 16000 -c 1 -b 16 " + in + "/9.wav synth 0.2 sine 440"));
    const auto before = all_audio(db);

    std::vector<std::string> rows;
    std::string missing;
    queue_answer(answer_drive([&](GtkWidget* d) {
        expect_own_letters(d);
        click(control(d, "Folder…"));
        set_active(d, "Trim silence", true);
        rows = table_rows(d);
        missing = label_starting(d, "Words without");
        gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
    }));
    queue_answer(answer_choose(in));
    activate_item(IMPORT_WORDS_ITEM);
    EXPECT_EQ(unanswered_count(), 0u);
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "01.wav | 1 | 16000 Hz, mono, 16-bit | as is, trim",
                        "9.wav |  |  | not used: no word 9",
                        "left.flac | 4 (left) | 48000 Hz, stereo, 24-bit | convert, trim",
                    }));
    EXPECT_EQ(missing, "Words without a file: 2, 3");
    const auto after = all_audio(db);
    EXPECT_NE(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], before[2]);
    EXPECT_NEAR(double(after[3].size()) * 2, 16000 * 0.3, 4);
    EXPECT_TRUE(word_is_changed(db, 3));
}

namespace {

// Clicks Cancel in the progress window once it shows some but not all of
// the work done.
gboolean cancel_half_way(gpointer data)
{
    auto* fraction = static_cast<double*>(data);
    GListPtr toplevels(gtk_window_list_toplevels());
    for (GList* l = toplevels.get(); l; l = l->next) {
        GtkWidget* w = GTK_WIDGET(l->data);
        const char* title = gtk_window_get_title(GTK_WINDOW(w));
        if (!title || std::string(title) != "Importing Words" || !gtk_widget_get_visible(w))
            continue;
        const double f = gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(find_all(w, GTK_TYPE_PROGRESS_BAR).at(0)));
        if (f <= 0.0 || f >= 1.0)
            return TRUE;
        *fraction = f;
        gtk_button_clicked(GTK_BUTTON(find_all(w, GTK_TYPE_BUTTON).at(0)));
        return FALSE;
    }
    return TRUE;
}

} // namespace

TEST_F(ShellTest, ImportWordsCancelledHalfWayChangesNothing)
{
    constexpr int WORDS = 240;
    PrivateConfigHome home;
    open_path(csf_of(dir, "voice.csf", WORDS));
    SpeechDb* db = shell_database();
    const std::string in = dir.file("takes");
    mkdir(in.c_str(), 0755);
    const std::string one = dir.file("one.wav");
    ASSERT_TRUE(sox("-n -r 44100 -c 2 -b 24 " + one + " synth 1 sine 300 sine 500 vol 0.3"));
    const std::vector<std::uint8_t> bytes = read_bytes(one);
    for (int w = 1; w <= WORDS; ++w)
        ASSERT_TRUE(write_bytes(in + "/" + std::to_string(w) + ".wav", bytes));
    const auto before = all_audio(db);
    const int modified = db->modified;

    double fraction = 0;
    const guint watcher = g_timeout_add(5, cancel_half_way, &fraction);
    queue_answer(answer_drive([&](GtkWidget* d) {
        click(control(d, "Folder…"));
        gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
    }));
    queue_answer(answer_choose(in));
    activate_item(IMPORT_WORDS_ITEM);
    if (fraction == 0.0)
        g_source_remove(watcher);
    EXPECT_GT(fraction, 0.0) << "Cancel was pressed while the import ran";
    EXPECT_EQ(all_audio(db), before);
    EXPECT_EQ(db->modified, modified);
}

TEST_F(ShellTest, ExportWordsNamesExistingFilesAndSkipsOrReplacesThem)
{
    open_path(csf_of(dir, "voice.csf", 3));
    SpeechDb* db = shell_database();
    ASSERT_TRUE(word_set_alias(db, 1, "left"));
    const std::string out = dir.file("words");
    mkdir(out.c_str(), 0755);
    const auto export_all = [&](bool aliases) {
        queue_answer(answer_drive([&, aliases](GtkWidget* d) {
            expect_own_letters(d);
            click(control(d, "Folder…"));
            set_active(d, "Also save words with an alias as alias.wav", aliases);
            gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
        }));
        queue_answer(answer_choose(out));
    };
    export_all(true);
    activate_item(EXPORT_WORDS_ITEM);
    EXPECT_EQ(unanswered_count(), 0u);
    EXPECT_EQ(dir_entries(out), (std::vector<std::string>{"001.wav", "002.wav", "003.wav", "left.wav"}));
    const std::vector<std::uint8_t> pcm = adpcm_decode(db_word(db, 1)->audio.data(), db_word(db, 1)->audio.size());
    EXPECT_EQ(read_bytes(out + "/left.wav"), read_bytes(out + "/002.wav"));
    EXPECT_EQ(read_bytes(out + "/002.wav").size(), WAV_HEADER_SIZE + pcm.size());

    const std::vector<std::uint8_t> mine = {'m', 'i', 'n', 'e'};
    write_bytes(out + "/001.wav", mine);
    for (int response : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_NO, GTK_RESPONSE_YES}) {
        export_all(false);
        queue_answer(answer_response(response));
        activate_item(EXPORT_WORDS_ITEM);
        const SeenDialog& q = seen_dialogs().back();
        EXPECT_EQ(q.buttons, (std::vector<std::string>{"gtk-cancel", "Skip", "Replace All"}));
        EXPECT_EQ(q.text.substr(0, q.text.find('\n')), "3 files already exist in " + out + ":");
        EXPECT_NE(q.text.find("001.wav, 002.wav, 003.wav"), std::string::npos) << q.text;
        EXPECT_EQ(read_bytes(out + "/001.wav") == mine, response != GTK_RESPONSE_YES) << response;
    }
    EXPECT_EQ(read_bytes(out + "/001.wav").size(), WAV_HEADER_SIZE + 12); // three ADPCM bytes
}

TEST_F(ShellTest, SavePhraseWritesItsWordsOneAfterAnother)
{
    open_path(write_csf("voice.csf"));
    SpeechDb* db = shell_database();
    const PhrasesPageWidgets& w = phrases_page_widgets();
    select_row(w.phrase_list, -1);
    EXPECT_FALSE(sensitive(w.save_phrase));
    select_row(w.phrase_list, 1);
    ASSERT_TRUE(sensitive(w.save_phrase));
    queue_answer(answer_choose(dir.file("p.wav")));
    click(w.save_phrase);
    ASSERT_EQ(seen_dialogs().size(), 2u);
    EXPECT_EQ(seen_dialogs()[1].current_name, "phrase_002.wav");
    std::vector<std::uint8_t> want;
    for (std::uint32_t i = 0; i < phrase_word_count(db, 1); ++i) {
        const WordEntry* e = db_word(db, std::uint32_t(phrase_word_number(db, 1, i)));
        const auto part = adpcm_decode(e->audio.data(), e->audio.size());
        want.insert(want.end(), part.begin(), part.end());
    }
    ErrorText err;
    EXPECT_EQ(wav_read(dir.file("p.wav").c_str(), 1, 16000, 1, 16, &err), want);
}
