// GUI tests of the Phrases page: real widgets in the real main window under
// Xvfb, with playback captured through ALSA's file plugin.
#include "audio/adpcm.h"
#include "db/operations.h"
#include "shell_fixture.h"
#include "tests/alsa_capture.h"
#include "ui/phrases_page.h"
#include "ui/phrases_page_view.h"
#include "ui/play_session.h"
#include "ui/shell.h"
#include "ui/words_page.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The audio of `words` words, each distinct, so that captured sound tells
// which word was played.
std::vector<std::vector<std::uint8_t>> test_audio(int words)
{
    std::vector<std::vector<std::uint8_t>> audio;
    for (int i = 0; i < words; ++i)
        audio.push_back(std::vector<std::uint8_t>(std::size_t(3 + i), std::uint8_t(0x11 * (i % 15) + 1)));
    return audio;
}

// Column indexes of the phrase list.
constexpr int NUMBER = 0;
constexpr int WORDS = 1;
constexpr int COMMENT = 2;
constexpr int CHANGED = 3;

// A real double click on `row`: two presses and releases on the row, as the
// pointer sends them, through the event queue.
void double_click_row(GtkTreeView* view, int row)
{
    // The window must be on screen with its final size before the row's
    // place is known.
    for (int i = 0; i < 100 && !gtk_widget_get_mapped(GTK_WIDGET(view)); ++i)
        pump_for(20);
    pump_for(100);
    click_row(view, row, 2);
    pump_events();
}

// The page in the real main window, showing a database the test owns.
class PhrasesPageTest : public ShellTest {
protected:
    SpeechDbPtr db;
    const PhrasesPageWidgets* w = nullptr;

    void SetUp() override
    {
        ShellTest::SetUp();
        w = &phrases_page_widgets();
    }
    void TearDown() override
    {
        ShellTest::TearDown();
        db.reset();
    }

    // Installs a database built from 0-based word lists; 16 words.
    void load(const std::vector<std::vector<int>>& phrases, int words = 16)
    {
        db = make_db(DB_FORMAT_MODERN, test_audio(words), phrases);
        phrases_page_reload(db.get());
        words_page_reload(db.get());
        pump_events();
    }

    void select_phrase(int p) { select_row(w->phrase_list, p); }
    void select_position(int pos) { select_row(w->word_list, pos); }

    std::string words_cell(int row) { return cell_text(w->phrase_list, WORDS, row); }
    std::string word_cell(int row) { return cell_text(w->word_list, 0, row); }
    // The "Changed" cell shows a ticked box for a changed phrase, nothing
    // for any other.
    bool changed_box(int row)
    {
        const bool visible = cell_bool(w->phrase_list, CHANGED, row, "visible");
        EXPECT_EQ(visible, cell_active(w->phrase_list, CHANGED, row)) << "row " << row;
        return visible;
    }
    int word_rows()
    {
        GtkTreeModel* model = gtk_tree_view_get_model(w->word_list);
        return model ? gtk_tree_model_iter_n_children(model, nullptr) : -1;
    }
    void edit_word(int row, const char* text)
    {
        g_signal_emit_by_name(w->word_renderer, "edited", std::to_string(row).c_str(), text);
        pump_events();
    }
    std::vector<int> phrase_words(int p)
    {
        std::vector<int> out;
        for (std::uint32_t i = 0; i < phrase_word_count(db.get(), p); ++i)
            out.push_back(phrase_word_number(db.get(), p, i));
        return out;
    }
};

TEST_F(PhrasesPageTest, ColumnsShowNumbersAliasesCommentsAndChangedMark)
{
    load({ { 4, 11 }, { 0 } });
    phrase_set_comment(db.get(), 1, "second");
    EXPECT_EQ(cell_text(w->phrase_list, NUMBER, 0), "1");
    EXPECT_EQ(cell_text(w->phrase_list, NUMBER, 1), "2");
    EXPECT_EQ(words_cell(0), " #5 #12");
    EXPECT_EQ(cell_text(w->phrase_list, COMMENT, 0), "");
    EXPECT_EQ(cell_text(w->phrase_list, COMMENT, 1), "second");
    EXPECT_FALSE(changed_box(0));

    ASSERT_TRUE(word_set_alias(db.get(), 11, "hello"));
    EXPECT_EQ(words_cell(0), " #5 hello");
    select_phrase(0);
    EXPECT_EQ(word_cell(0), "5");
    EXPECT_EQ(word_cell(1), "hello");

    // Switching "Use Aliases" off shows numbers again, on shows aliases.
    click(w->use_aliases);
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w->use_aliases)));
    EXPECT_EQ(words_cell(0), " 5 12");
    EXPECT_EQ(word_cell(1), "12");
    click(w->use_aliases);
    EXPECT_EQ(words_cell(0), " #5 hello");
    EXPECT_EQ(word_cell(1), "hello");
}

// Cells must hand the renderer valid UTF-8: long texts are cut between
// characters, and bytes from a project file that are not UTF-8 are replaced.
// A "Words" cell holds only what its column can show, ending in "…"; the
// whole text stops at PHRASES_PAGE_TEXT_SIZE.
TEST_F(PhrasesPageTest, CellTextsAreValidUtf8AndCutToWhatCanShow)
{
    load({ std::vector<int>(32, 3) });
    phrase_set_comment(db.get(), 0, "caf\xe9 \xff");
    const std::string comment = cell_text(w->phrase_list, COMMENT, 0);
    EXPECT_TRUE(g_utf8_validate(comment.c_str(), -1, nullptr));
    EXPECT_EQ(comment.rfind("caf", 0), 0u);
    // 32 aliases of 200 bytes of two-byte characters exceed the cell's text.
    std::string alias;
    for (int i = 0; i < 100; ++i)
        alias += "\xc3\xa9";
    ASSERT_TRUE(word_set_alias(db.get(), 3, alias.c_str()));
    const std::string whole = phrases_view_words_text(db.get(), 0, true);
    EXPECT_LT(whole.size(), PHRASES_PAGE_TEXT_SIZE);
    EXPECT_GT(whole.size(), PHRASES_PAGE_TEXT_SIZE - 4);
    EXPECT_TRUE(g_utf8_validate(whole.c_str(), -1, nullptr));

    const std::string text = words_cell(0);
    EXPECT_TRUE(g_utf8_validate(text.c_str(), -1, nullptr));
    ASSERT_TRUE(g_str_has_suffix(text.c_str(), "…")) << text;
    const std::string shown = text.substr(0, text.size() - std::strlen("…"));
    EXPECT_EQ(whole.rfind(shown, 0), 0u) << "the cell shows the start of the text";
    EXPECT_LT(shown.size(), whole.size() / 2);
    // What is kept still fills the part of the column in sight, so the cut
    // is never seen: the renderer's own ellipsis ends the cell.
    GdkRectangle visible {};
    gtk_tree_view_get_visible_rect(w->phrase_list, &visible);
    const int number_width = gtk_tree_view_column_get_width(gtk_tree_view_get_column(w->phrase_list, NUMBER));
    const int in_sight
        = std::min(gtk_tree_view_column_get_width(w->words_column), visible.x + visible.width - number_width);
    ASSERT_GT(in_sight, 100);
    PangoLayout* layout = gtk_widget_create_pango_layout(GTK_WIDGET(w->phrase_list), shown.c_str());
    int shown_width = 0;
    pango_layout_get_pixel_size(layout, &shown_width, nullptr);
    g_object_unref(layout);
    EXPECT_GE(shown_width, in_sight);
}

// With "Use Aliases" on, a word without an alias shows as "#6" beside the
// aliases, so neither can pass for the other; off, every word is a plain
// number. The word cell takes a number typed either way, or an alias.
TEST_F(PhrasesPageTest, WordsColumnMarksNumbersWhileAliasesShowAndEditsTakeEither)
{
    load({ { 5, 6 } });
    ASSERT_TRUE(word_set_alias(db.get(), 6, "bell"));
    EXPECT_EQ(words_cell(0), " #6 bell");
    click(w->use_aliases);
    EXPECT_EQ(words_cell(0), " 6 7");
    click(w->use_aliases);

    select_phrase(0);
    select_position(0);
    const struct {
        const char* typed;
        int word;
        const char* cell;
    } edits[] = {
        { "3", 2, " #3 bell" },
        { " #9 ", 8, " #9 bell" },
        { "bell", 6, " bell bell" },
        { "#6", 5, " #6 bell" },
        { "#bell", 5, " #6 bell" }, // "#" before anything but digits: refused
        { "#0", 5, " #6 bell" },
    };
    for (const auto& e : edits) {
        edit_word(0, e.typed);
        EXPECT_EQ(phrase_words(0)[0], e.word) << e.typed;
        EXPECT_EQ(words_cell(0), e.cell) << e.typed;
    }
}

// The columns have fixed widths for speed; the page widens the "Words"
// column itself so that the longest words text fits. The comment column
// keeps its width and takes what the others leave (layout_test.cpp).
TEST_F(PhrasesPageTest, ColumnsWidenForLongTexts)
{
    load({ { 1 }, { 2 } });
    const int words_width = gtk_tree_view_column_get_fixed_width(w->words_column);
    const int comment_width = gtk_tree_view_column_get_fixed_width(w->comment_column);
    const std::string long_alias(150, 'x');
    ASSERT_TRUE(word_set_alias(db.get(), 5, long_alias.c_str()));
    select_phrase(1);
    select_position(0);
    edit_word(0, long_alias.c_str());
    EXPECT_EQ(phrase_words(1), (std::vector<int> { 5 }));
    const int wide = gtk_tree_view_column_get_fixed_width(w->words_column);
    EXPECT_GT(wide, words_width);
    g_signal_emit_by_name(w->comment_renderer, "edited", "0", std::string(200, 'c').c_str());
    pump_events();
    EXPECT_EQ(gtk_tree_view_column_get_fixed_width(w->comment_column), comment_width);
    EXPECT_TRUE(gtk_tree_view_column_get_expand(w->comment_column));

    // Without aliases the phrase shows a short number: the column fits that
    // when the switch re-measures, and again the alias when switched back.
    click(w->use_aliases);
    EXPECT_EQ(gtk_tree_view_column_get_fixed_width(w->words_column), words_width);
    click(w->use_aliases);
    EXPECT_EQ(gtk_tree_view_column_get_fixed_width(w->words_column), wide);
}

// A load fits the "Words" column to the longest text in bytes, which need
// not belong to the phrase with the most words: numbers count their digits
// and aliases their length.
TEST_F(PhrasesPageTest, LoadFitsTheWordsColumnToTheLongestText)
{
    auto width_after_load = [&](const std::vector<std::vector<int>>& phrases, int words, bool aliases) {
        load(phrases, words);
        if (aliases) {
            EXPECT_TRUE(word_set_alias(db.get(), 2, "ab"));
            EXPECT_TRUE(word_set_alias(db.get(), 5, std::string(120, 'x').c_str()));
            phrases_page_reload(db.get());
            pump_events();
        }
        return gtk_tree_view_column_get_fixed_width(w->words_column);
    };
    // " 1" 32 times is 64 bytes; " 1000" 20 times is 100.
    const std::vector<int> many_short(32, 0);
    const std::vector<int> fewer_long(20, 999);
    const int longest = width_after_load({ fewer_long }, 1000, false);
    EXPECT_GT(longest, width_after_load({ many_short }, 1000, false));
    EXPECT_EQ(width_after_load({ many_short, fewer_long, { 1 } }, 1000, false), longest);

    // " ab" 32 times is 96 bytes; one 120-byte alias is 121.
    const std::vector<int> many_aliases(32, 2);
    const int one_alias = width_after_load({ { 5 } }, 16, true);
    EXPECT_GT(one_alias, width_after_load({ many_aliases }, 16, true));
    EXPECT_EQ(width_after_load({ many_aliases, { 5 }, { 3 } }, 16, true), one_alias);
}

TEST_F(PhrasesPageTest, ButtonSensitivityAtEndsAndLimits)
{
    std::vector<int> long_phrase(31, 2);
    load({ long_phrase, { 5 }, { 1, 2, 3 } });

    select_phrase(2);
    EXPECT_TRUE(sensitive(w->play_phrase));
    for (GtkWidget* b : { w->play_word, w->go_to_word, w->move_up, w->move_down, w->add_word, w->remove_word })
        EXPECT_FALSE(sensitive(b));

    select_position(0);
    EXPECT_TRUE(sensitive(w->play_word));
    EXPECT_TRUE(sensitive(w->go_to_word));
    EXPECT_FALSE(sensitive(w->move_up));
    EXPECT_TRUE(sensitive(w->move_down));
    EXPECT_TRUE(sensitive(w->remove_word));
    select_position(2);
    EXPECT_TRUE(sensitive(w->move_up));
    EXPECT_FALSE(sensitive(w->move_down));

    // A one-word phrase keeps its word.
    select_phrase(1);
    select_position(0);
    EXPECT_FALSE(sensitive(w->remove_word));
    EXPECT_FALSE(sensitive(w->move_up));
    EXPECT_FALSE(sensitive(w->move_down));
    EXPECT_TRUE(sensitive(w->add_word));

    // 31 words become 32: the new position refers to word 0 and the phrase
    // is full.
    select_phrase(0);
    select_position(30);
    EXPECT_TRUE(sensitive(w->add_word));
    click(w->add_word);
    EXPECT_EQ(phrase_word_count(db.get(), 0), 32u);
    EXPECT_EQ(word_rows(), 32);
    EXPECT_EQ(phrases_page_selected_position(), 31);
    EXPECT_EQ(word_cell(31), "1");
    EXPECT_FALSE(sensitive(w->add_word));
    EXPECT_TRUE(changed_box(0));
    click(w->add_word);
    EXPECT_EQ(phrase_word_count(db.get(), 0), 32u);

    // A reload forgets the selection and empties the word list.
    phrases_page_reload(db.get());
    pump_events();
    EXPECT_EQ(phrases_page_selected_phrase(), -1);
    EXPECT_EQ(word_rows(), -1);
    EXPECT_FALSE(sensitive(w->play_phrase));
}

TEST_F(PhrasesPageTest, SelectionFollowsMoveAddAndRemove)
{
    load({ { 1, 2, 3, 4 } });
    select_phrase(0);

    select_position(1);
    click(w->move_up);
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 2, 1, 3, 4 }));
    EXPECT_EQ(phrases_page_selected_position(), 0);
    EXPECT_EQ(words_cell(0), " #3 #2 #4 #5");
    click(w->move_up); // at the top: refused
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 2, 1, 3, 4 }));
    EXPECT_EQ(phrases_page_selected_position(), 0);

    select_position(2);
    click(w->move_down);
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 2, 1, 4, 3 }));
    EXPECT_EQ(phrases_page_selected_position(), 3);

    // Add inserts after the selection and selects the new position.
    select_position(1);
    click(w->add_word);
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 2, 1, 0, 4, 3 }));
    EXPECT_EQ(phrases_page_selected_position(), 2);
    EXPECT_EQ(word_rows(), 5);
    EXPECT_EQ(word_cell(4), "4");

    // Removing a middle position keeps the row, which now shows the next word.
    click(w->remove_word);
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 2, 1, 4, 3 }));
    EXPECT_EQ(phrases_page_selected_position(), 2);
    EXPECT_EQ(word_cell(2), "5");
    EXPECT_EQ(word_rows(), 4);

    // Removing the last position moves the selection to the new last one.
    select_position(3);
    click(w->remove_word);
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 2, 1, 4 }));
    EXPECT_EQ(phrases_page_selected_position(), 2);
    EXPECT_EQ(word_rows(), 3);
    EXPECT_FALSE(sensitive(w->move_down));
    EXPECT_EQ(words_cell(0), " #3 #2 #5");
    EXPECT_TRUE(db->modified);
}

TEST_F(PhrasesPageTest, WordEditsByNumber)
{
    load({ { 1, 2 } });
    select_phrase(0);
    select_position(1);
    db->modified = 0;

    for (const char* refused : { "0", "17", "99999999999999999999", "1_2", "12a", "", "   " })
        edit_word(1, refused);
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 1, 2 }));
    EXPECT_FALSE(db->modified);
    EXPECT_FALSE(changed_box(0));

    edit_word(1, "7");
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 1, 6 }));
    EXPECT_EQ(word_cell(1), "7");
    EXPECT_EQ(words_cell(0), " #2 #7");
    EXPECT_TRUE(changed_box(0));
    EXPECT_TRUE(db->modified);

    edit_word(1, " 16 ");
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 1, 15 }));
    // Typing the loaded word back makes the phrase unchanged again.
    edit_word(1, "3");
    EXPECT_FALSE(changed_box(0));
}

TEST_F(PhrasesPageTest, WordEditsByAlias)
{
    load({ { 1, 2 } });
    ASSERT_TRUE(word_set_alias(db.get(), 9, "big_bell"));
    select_phrase(0);
    select_position(0);

    edit_word(0, "no such word");
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 1, 2 }));
    edit_word(0, "Big Bell"); // aliases match case exactly
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 1, 2 }));

    click(w->use_aliases); // off: aliases are refused
    edit_word(0, "big bell");
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 1, 2 }));

    click(w->use_aliases);
    edit_word(0, "  big bell ");
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 9, 2 }));
    EXPECT_EQ(word_cell(0), "big_bell");
    EXPECT_EQ(words_cell(0), " big_bell #3");
}

// Typing into the cell through its real editor, as a user does.
TEST_F(PhrasesPageTest, WordCellEditorCommitsTypedNumber)
{
    load({ { 1, 2 } });
    select_phrase(0);
    select_position(1);
    GtkTreePath* path = gtk_tree_path_new_from_indices(1, -1);
    gtk_widget_grab_focus(GTK_WIDGET(w->word_list));
    gtk_tree_view_set_cursor(w->word_list, path, w->word_column, TRUE);
    gtk_tree_path_free(path);
    // No events until the edit is committed: other test programs share the
    // X server, and a focus change from one of their windows would end the
    // edit early.
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(shell_main_window()));
    ASSERT_TRUE(GTK_IS_ENTRY(focus));
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(focus)), "3");
    gtk_entry_set_text(GTK_ENTRY(focus), "8");
    gtk_widget_activate(focus);
    pump_events();
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 1, 7 }));
}

TEST_F(PhrasesPageTest, CommentEditsAndEmptyCommentRemovesIt)
{
    load({ { 1 }, { 2 } });
    select_phrase(1);
    db->modified = 0;
    g_signal_emit_by_name(w->comment_renderer, "edited", "1", "turn left");
    pump_events();
    ASSERT_NE(phrase_comment(db.get(), 1), nullptr);
    EXPECT_STREQ(phrase_comment(db.get(), 1), "turn left");
    EXPECT_EQ(phrase_comment(db.get(), 0), nullptr);
    EXPECT_EQ(cell_text(w->phrase_list, COMMENT, 1), "turn left");
    EXPECT_TRUE(db->modified);

    g_signal_emit_by_name(w->comment_renderer, "edited", "1", "");
    pump_events();
    EXPECT_EQ(phrase_comment(db.get(), 1), nullptr);
    EXPECT_EQ(cell_text(w->phrase_list, COMMENT, 1), "");
}

TEST_F(PhrasesPageTest, ChangedBoxRevertsAndRebuildsTheWordList)
{
    load({ { 1, 2, 3 }, { 4 } });
    select_phrase(0);
    select_position(2);
    click(w->remove_word);
    select_position(0);
    edit_word(0, "10");
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 9, 2 }));
    EXPECT_TRUE(changed_box(0));
    EXPECT_EQ(word_rows(), 2);

    g_signal_emit_by_name(w->changed_renderer, "toggled", "0");
    pump_events();
    EXPECT_EQ(phrase_words(0), (std::vector<int> { 1, 2, 3 }));
    EXPECT_FALSE(changed_box(0));
    EXPECT_EQ(word_rows(), 3);
    EXPECT_EQ(word_cell(2), "4");
    EXPECT_EQ(words_cell(0), " #2 #3 #4");
    // A path that names no row is ignored.
    g_signal_emit_by_name(w->changed_renderer, "toggled", "7");
    pump_events();
    EXPECT_EQ(phrase_words(1), (std::vector<int> { 4 }));
}

TEST_F(PhrasesPageTest, ShowPhraseSelectsTheRowAndGoToWordShowsWordsPage)
{
    std::vector<std::vector<int>> phrases(200, std::vector<int> { 0 });
    phrases[150] = { 3, 5 };
    load(phrases);
    phrases_page_show_phrase(150);
    pump_events();
    EXPECT_EQ(phrases_page_selected_phrase(), 150);
    EXPECT_EQ(word_rows(), 2);
    phrases_page_show_phrase(200); // no such row
    pump_events();
    EXPECT_EQ(phrases_page_selected_phrase(), 150);

    select_position(1);
    click(w->go_to_word);
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(shell_notebook())), 1);
    EXPECT_EQ(words_page_selected_word(), 5);
}

// Playback goes to a file through ALSA, so the played bytes can be compared
// with the phrase's words decoded one after the other.
class PhrasesPagePlayTest : public PhrasesPageTest {
protected:
    AlsaCapture capture { AlsaCapture::CAPTURE_ALL };
    std::vector<int> selections; // every position selected, in order

    static void on_selection(GtkTreeSelection*, gpointer self)
    {
        static_cast<PhrasesPagePlayTest*>(self)->selections.push_back(phrases_page_selected_position());
    }
    void record_selections()
    {
        g_signal_connect(gtk_tree_view_get_selection(w->word_list), "changed", G_CALLBACK(on_selection), this);
    }
    // The bytes that reached the device, once `expected` of them arrived
    // (the file plugin's pipe may lag behind a little).
    std::vector<std::uint8_t> played(const std::vector<std::uint8_t>& expected)
    {
        return capture.bytes(expected.size());
    }
    std::vector<std::uint8_t> decoded(const std::vector<int>& words)
    {
        std::vector<std::uint8_t> pcm;
        for (int n : words) {
            const auto& audio = db_word(db.get(), n)->audio;
            const auto part = adpcm_decode(audio.data(), audio.size());
            pcm.insert(pcm.end(), part.begin(), part.end());
        }
        return pcm;
    }
};

TEST_F(PhrasesPagePlayTest, PlayPhrasePlaysEachWordInOrderAndRestoresSelection)
{
    load({ { 0 }, { 3, 7, 3, 12 } });
    select_phrase(1);
    select_position(2);
    record_selections();
    click(w->play_phrase);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(decoded({ 3, 7, 3, 12 })), decoded({ 3, 7, 3, 12 }));
    // Each word was selected while it sounded, then the old selection came back.
    EXPECT_EQ(selections, (std::vector<int> { 0, 1, 2, 3, 2 }));
    EXPECT_EQ(phrases_page_selected_position(), 2);
    EXPECT_FALSE(phrases_page_playing());
    EXPECT_TRUE(sensitive(w->move_up));

    // Without a selected position, none is selected afterwards.
    std::remove(capture.output.c_str());
    select_position(-1);
    click(w->play_phrase);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(decoded({ 3, 7, 3, 12 })), decoded({ 3, 7, 3, 12 }));
    EXPECT_EQ(phrases_page_selected_position(), -1);
    EXPECT_FALSE(sensitive(w->play_word));
}

// Input that arrives while a phrase plays: an edit stops the play before
// it changes the phrase; selecting another phrase does not change what is
// played.
struct DuringPlay {
    std::vector<GtkWidget*> clicks;
    int select_phrase = -1;
    bool was_playing = false;
    bool playing_after = false;
};

gboolean act_during_play(gpointer data)
{
    auto* d = static_cast<DuringPlay*>(data);
    d->was_playing = phrases_page_playing();
    for (GtkWidget* b : d->clicks)
        gtk_button_clicked(GTK_BUTTON(b));
    if (d->select_phrase >= 0) {
        GtkTreePath* path = gtk_tree_path_new_from_indices(d->select_phrase, -1);
        gtk_tree_selection_select_path(gtk_tree_view_get_selection(phrases_page_widgets().phrase_list), path);
        gtk_tree_path_free(path);
    }
    d->playing_after = play_session_active();
    return FALSE;
}

TEST_F(PhrasesPagePlayTest, EditsDuringPlayStopItFirst)
{
    struct Case {
        GtkWidget* button;
        std::vector<int> words_after;
    };
    const Case cases[] = {
        { w->move_down, { 9, 2, 4 } },
        { w->add_word, { 2, 0, 9, 4 } },
        { w->remove_word, { 9, 4 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(gtk_button_get_label(GTK_BUTTON(c.button)));
        load({ { 2, 9, 4 } });
        capture.clear();
        select_phrase(0);
        select_position(0);
        DuringPlay during { { c.button } };
        // Queued before the click: it runs before the first word sounds.
        g_idle_add(act_during_play, &during);
        click(w->play_phrase);
        EXPECT_TRUE(wait_for_play_end());
        EXPECT_TRUE(during.was_playing);
        EXPECT_FALSE(during.playing_after);
        EXPECT_TRUE(capture.bytes().empty());
        EXPECT_EQ(phrase_words(0), c.words_after);
    }
}

TEST_F(PhrasesPagePlayTest, AnotherPhraseSelectedDuringPlay)
{
    load({ { 1 }, { 2, 9, 4 } });
    select_phrase(1);
    select_position(1);
    DuringPlay during { {}, 0 };
    g_idle_add(act_during_play, &during);
    click(w->play_phrase);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_TRUE(during.playing_after);
    EXPECT_EQ(played(decoded({ 2, 9, 4 })), decoded({ 2, 9, 4 }));
    // The word list shows the newly selected phrase, untouched by the play.
    EXPECT_EQ(phrases_page_selected_phrase(), 0);
    EXPECT_EQ(word_rows(), 1);
    EXPECT_EQ(phrases_page_selected_position(), -1);
    EXPECT_TRUE(sensitive(w->play_phrase));
    EXPECT_FALSE(sensitive(w->play_word));
}

TEST_F(PhrasesPagePlayTest, PlayWordPlaysTheSelectedWord)
{
    load({ { 3, 7, 12 } });
    select_phrase(0);
    select_position(1);
    click(w->play_word);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(decoded({ 7 })), decoded({ 7 }));
    EXPECT_EQ(phrases_page_selected_position(), 1);
}

TEST_F(PhrasesPagePlayTest, DoubleClickOnAPhrasePlaysIt)
{
    load({ { 1, 2 }, { 5, 6 } });
    double_click_row(w->phrase_list, 1);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(phrases_page_selected_phrase(), 1);
    EXPECT_EQ(played(decoded({ 5, 6 })), decoded({ 5, 6 }));
}

// With the database opened through the File menu: a Quit that arrives
// during a play stops it, then frees the database and leaves.
class PhrasesPageShellTest : public ShellTest {
protected:
    AlsaCapture capture { AlsaCapture::CAPTURE_ALL };
};

struct QuitDuringPlay {
    bool playing = false;
    bool database_kept = false;
};

gboolean quit_during_play(gpointer data)
{
    auto* q = static_cast<QuitDuringPlay*>(data);
    q->playing = phrases_page_playing();
    shell_quit();
    q->database_kept = shell_database() != nullptr;
    return FALSE;
}

TEST_F(PhrasesPageShellTest, QuitDuringPlayPhraseStopsItFirst)
{
    open_path(write_csf("voice.csf"));
    SpeechDb* db = shell_database();
    ASSERT_NE(db, nullptr);
    std::vector<std::uint8_t> expected;
    for (std::uint32_t i = 0; i < phrase_word_count(db, 1); ++i) {
        const auto& audio = db_word(db, phrase_word_number(db, 1, i))->audio;
        const auto pcm = adpcm_decode(audio.data(), audio.size());
        expected.insert(expected.end(), pcm.begin(), pcm.end());
    }
    ASSERT_FALSE(expected.empty());
    const PhrasesPageWidgets& w = phrases_page_widgets();
    phrases_page_show_phrase(1);
    pump_events();
    ASSERT_EQ(phrases_page_selected_phrase(), 1);

    QuitDuringPlay quit;
    EXPECT_TRUE(main_loop_quit_by([&] {
        g_idle_add(quit_during_play, &quit);
        gtk_button_clicked(GTK_BUTTON(w.play_phrase));
    }));
    EXPECT_TRUE(quit.playing);
    EXPECT_FALSE(quit.database_kept) << "nothing to save: Quit goes on at once";
    EXPECT_FALSE(play_session_active());
    EXPECT_EQ(shell_database(), nullptr);
    // Queued before the click, the Quit came before the first word sounded.
    EXPECT_TRUE(capture.bytes().empty());
}

} // namespace
