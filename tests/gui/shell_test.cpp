// GUI tests of the main window: its start-up state, the File menu flows
// with their questions, choosers and messages, and the deferral of Open
// and Quit while a page plays.
#include "db/csf.h"
#include "gui_test_util.h"
#include "shell_fixture.h"
#include "ui/gtk_ptr.h"
#include "db/operations.h"
#include "ui/dialogs.h"
#include "ui/phrases_page.h"
#include "ui/words_page.h"
#include "ui/shell.h"
#include "tests/gui/words_page_fixture.h"

#include <algorithm>
#include <gdk/gdkkeysyms.h>
#include <glib/gstdio.h>

namespace {

const char* const ASK_OPEN = "Project not saved\nSave it before loading new file ?";
const char* const ASK_EXIT = "Project not saved\nSave it before exit ?";

bool file_exists(const std::string& path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

std::string tab_label(int page)
{
    GtkNotebook* nb = GTK_NOTEBOOK(shell_notebook());
    return gtk_notebook_get_tab_label_text(nb, gtk_notebook_get_nth_page(nb, page));
}

} // namespace

TEST_F(ShellTest, StartsWithTitleMenuTabsAndMinimumSize)
{
    GtkWidget* window = shell_main_window();
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "Tembrel 1.0");
    EXPECT_STREQ(shell_app_title(), "Tembrel 1.0");
    EXPECT_EQ(shell_database(), nullptr);
    EXPECT_TRUE(gtk_widget_get_visible(window));
    EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(window)), 2u);

    gint w = 0, h = 0;
    gtk_widget_get_size_request(window, &w, &h);
    EXPECT_EQ(w, 700);
    EXPECT_EQ(h, 580);

    std::vector<GtkWidget*> bars = find_all(window, GTK_TYPE_MENU_BAR);
    ASSERT_EQ(bars.size(), 1u);
    std::vector<GtkWidget*> top = find_all(bars[0], GTK_TYPE_MENU_ITEM);
    ASSERT_EQ(top.size(), 3u);
    // Alt+F, Alt+E and Alt+H open them from the keyboard.
    EXPECT_EQ(menu_item_label(top[0]), "_File");
    EXPECT_EQ(menu_item_label(top[1]), "_Edit");
    EXPECT_EQ(menu_item_label(top[2]), "_Help");

    std::vector<GtkWidget*> items = file_menu_items();
    ASSERT_EQ(items.size(), std::size_t(FILE_ITEMS));
    EXPECT_EQ(menu_item_label(items[FILE_OPEN]), "gtk-open");
    EXPECT_EQ(menu_item_label(items[FILE_OPEN_RECENT]), "Open _Recent");
    EXPECT_EQ(menu_item_label(items[FILE_SAVE]), "gtk-save");
    EXPECT_EQ(menu_item_label(items[FILE_SAVE_PROJECT_AS]), "Save Project _As…");
    EXPECT_EQ(menu_item_label(items[FILE_SAVE_AUDIO]), "Save Au_dio");
    EXPECT_TRUE(GTK_IS_SEPARATOR_MENU_ITEM(items[FILE_SEPARATOR_1]));
    EXPECT_EQ(menu_item_label(items[FILE_IMPORT_WORDS]), "_Import Words…");
    EXPECT_EQ(menu_item_label(items[FILE_EXPORT_WORDS]), "_Export Words…");
    EXPECT_TRUE(GTK_IS_SEPARATOR_MENU_ITEM(items[FILE_SEPARATOR_2]));
    EXPECT_EQ(menu_item_label(items[FILE_QUIT]), "gtk-quit");
    EXPECT_EQ(menu_item_image_stock(items[FILE_SAVE_PROJECT_AS]), "gtk-save-as");
    EXPECT_EQ(menu_item_image_stock(items[FILE_SAVE_AUDIO]), "gtk-save");

    GtkNotebook* nb = GTK_NOTEBOOK(shell_notebook());
    ASSERT_EQ(gtk_notebook_get_n_pages(nb), 3);
    EXPECT_EQ(tab_label(0), "Phrases");
    EXPECT_EQ(tab_label(1), "Words");
    EXPECT_EQ(tab_label(2), "Advanced");
    EXPECT_TRUE(gtk_notebook_get_show_tabs(nb));
}

TEST_F(ShellTest, IconIsSixteenSquareWithBlackTransparent)
{
    GdkPixbuf* icon = gtk_window_get_icon(GTK_WINDOW(shell_main_window()));
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(gdk_pixbuf_get_width(icon), 16);
    ASSERT_EQ(gdk_pixbuf_get_height(icon), 16);
    ASSERT_TRUE(gdk_pixbuf_get_has_alpha(icon));
    ASSERT_EQ(gdk_pixbuf_get_n_channels(icon), 4);
    const guchar* px = gdk_pixbuf_get_pixels(icon);
    int stride = gdk_pixbuf_get_rowstride(icon);
    int black = 0, opaque = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const guchar* p = px + y * stride + x * 4;
            bool is_black = p[0] == 0 && p[1] == 0 && p[2] == 0;
            if (is_black) {
                ++black;
                EXPECT_EQ(p[3], 0) << "black pixel left visible at " << x << "," << y;
            } else {
                ++opaque;
                EXPECT_EQ(p[3], 255) << "coloured pixel made transparent at " << x << "," << y;
            }
        }
    // The image has both a transparent background and a visible drawing.
    EXPECT_GT(black, 0);
    EXPECT_GT(opaque, 0);
}

TEST_F(ShellTest, OpenSaveAndQuitCarryTheirAccelerators)
{
    std::vector<GtkWidget*> items = file_menu_items();
    ASSERT_EQ(items.size(), std::size_t(FILE_ITEMS));
    for (int i : {FILE_OPEN, FILE_SAVE, FILE_QUIT})
        EXPECT_NE(gtk_widget_list_accel_closures(items[std::size_t(i)]), nullptr) << menu_item_label(items[std::size_t(i)]);
    for (int i : {FILE_SAVE_PROJECT_AS, FILE_SAVE_AUDIO, FILE_IMPORT_WORDS, FILE_EXPORT_WORDS})
        EXPECT_EQ(gtk_widget_list_accel_closures(items[std::size_t(i)]), nullptr) << menu_item_label(items[std::size_t(i)]);
    EXPECT_TRUE(main_loop_quit_by([] {
        // Ctrl+Q reaches the Quit item through the window's accelerator group.
        EXPECT_TRUE(gtk_accel_groups_activate(G_OBJECT(shell_main_window()), GDK_q, GDK_CONTROL_MASK));
    }));
    EXPECT_TRUE(seen_dialogs().empty());
}

TEST_F(ShellTest, QuitWithoutDatabaseOrUnmodifiedAsksNothing)
{
    EXPECT_TRUE(main_loop_quit_by([] { shell_quit(); }));
    EXPECT_TRUE(seen_dialogs().empty());

    shell_destroy_for_tests();
    shell_build();
    open_path(write_csf("voice.csf"));
    ASSERT_NE(shell_database(), nullptr);
    EXPECT_TRUE(main_loop_quit_by([] { activate_item(FILE_QUIT); }));
    EXPECT_EQ(shell_database(), nullptr) << "Quit frees the database";
    EXPECT_EQ(seen_dialogs().size(), 1u) << "only the Load chooser";
}

TEST_F(ShellTest, OpenSetsTitleAndShowsTheChooser)
{
    std::string path = write_csf("voice.csf");
    open_path(path);
    ASSERT_NE(shell_database(), nullptr);
    EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(shell_main_window()))), path + " - Tembrel 1.0");

    ASSERT_EQ(seen_dialogs().size(), 1u);
    const SeenDialog& chooser = seen_dialogs()[0];
    EXPECT_EQ(chooser.kind, "chooser");
    EXPECT_EQ(chooser.title, "Load File");
    EXPECT_EQ(chooser.chooser_action, GTK_FILE_CHOOSER_ACTION_OPEN);
    EXPECT_NE(std::find(chooser.buttons.begin(), chooser.buttons.end(), "gtk-open"), chooser.buttons.end());
    EXPECT_NE(std::find(chooser.buttons.begin(), chooser.buttons.end(), "gtk-cancel"), chooser.buttons.end());
    EXPECT_EQ(chooser.transient_for, nullptr);
    EXPECT_FALSE(chooser.overwrite_confirmation);

    // A second Open of another file replaces database and title.
    std::string other = write_csf("other.csf", 0x05, "FR");
    SpeechDb* first = shell_database();
    open_path(other);
    EXPECT_NE(shell_database(), first);
    EXPECT_STREQ(db_language_code(shell_database()), "FR");
    EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(shell_main_window()))), other + " - Tembrel 1.0");
}

TEST_F(ShellTest, CancelledLoadChooserChangesNothing)
{
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    activate_item(FILE_OPEN);
    EXPECT_EQ(shell_database(), nullptr);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(shell_main_window())), "Tembrel 1.0");
    EXPECT_EQ(seen_dialogs().size(), 1u);
}

TEST_F(ShellTest, FailedOpenKeepsDatabasePagesAndTitle)
{
    std::string good = write_csf("good.csf", 0x81);
    open_path(good);
    SpeechDb* db = shell_database();
    ASSERT_NE(db, nullptr);
    std::string title = gtk_window_get_title(GTK_WINDOW(shell_main_window()));

    // The name carries printf directives: the message must show them as typed.
    std::string bad = dir.file("broken %s %d.csf");
    write_bytes(bad, { 0xDE, 0xAD, 0xBE }); // too short: the message names the file
    queue_answer(answer_choose(bad));
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    activate_item(FILE_OPEN);

    ASSERT_EQ(seen_dialogs().size(), 3u);
    const SeenDialog& error = seen_dialogs()[2];
    EXPECT_EQ(error.kind, "message");
    EXPECT_EQ(error.message_type, GTK_MESSAGE_ERROR);
    EXPECT_NE(error.text.find("broken %s %d.csf"), std::string::npos) << error.text;
    EXPECT_TRUE(error.modal);
    EXPECT_EQ(error.transient_for, GTK_WINDOW(shell_main_window()));
    EXPECT_EQ(error.buttons, std::vector<std::string> { "gtk-close" });

    EXPECT_EQ(shell_database(), db);
    EXPECT_EQ(db_flags(db), 0x81);
    EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(shell_main_window())), title);
    EXPECT_EQ(advanced_flags_text(), "81") << "the Advanced page still shows the old database";
}

TEST_F(ShellTest, ErrorDialogShowsPercentDirectivesLiterally)
{
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    dialogs_show_error("Cannot open /tmp/%s%n%d 100%");
    ASSERT_EQ(seen_dialogs().size(), 1u);
    EXPECT_EQ(seen_dialogs()[0].text, "Cannot open /tmp/%s%n%d 100%");
}

TEST_F(ShellTest, QuestionDialogLayoutAndAnswers)
{
    queue_answer(answer_response(GTK_RESPONSE_YES));
    EXPECT_EQ(dialogs_ask_save_first(ASK_EXIT), SaveAnswer::Yes);
    queue_answer(answer_response(GTK_RESPONSE_NO));
    EXPECT_EQ(dialogs_ask_save_first(ASK_EXIT), SaveAnswer::No);
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    EXPECT_EQ(dialogs_ask_save_first(ASK_EXIT), SaveAnswer::Cancel);
    // The frame's close button is the same as Cancel.
    queue_answer(answer_close());
    EXPECT_EQ(dialogs_ask_save_first(ASK_EXIT), SaveAnswer::Cancel);

    ASSERT_EQ(seen_dialogs().size(), 4u);
    const SeenDialog& q = seen_dialogs()[0];
    EXPECT_EQ(q.title, "Save");
    EXPECT_EQ(q.text, ASK_EXIT);
    EXPECT_TRUE(q.modal);
    EXPECT_EQ(q.transient_for, GTK_WINDOW(shell_main_window()));
    EXPECT_EQ(q.buttons, (std::vector<std::string> { "gtk-yes", "gtk-no", "gtk-cancel" }));
}

TEST_F(ShellTest, OpenOverModifiedAsksAndCancelKeepsEverything)
{
    open_path(write_csf("voice.csf"));
    SpeechDb* db = shell_database();
    db_set_flags(db, 0x11);

    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    activate_item(FILE_OPEN);
    ASSERT_EQ(seen_dialogs().size(), 2u) << "question only, no chooser after Cancel";
    EXPECT_EQ(seen_dialogs()[1].text, ASK_OPEN);
    EXPECT_EQ(shell_database(), db);
    EXPECT_TRUE(db_is_modified(db));

    // Yes, then a cancelled Save File chooser: the Open stops there too.
    queue_answer(answer_response(GTK_RESPONSE_YES));
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    activate_item(FILE_OPEN);
    ASSERT_EQ(seen_dialogs().size(), 4u);
    EXPECT_EQ(seen_dialogs()[3].title, "Save File");
    EXPECT_EQ(shell_database(), db);
    EXPECT_TRUE(db_is_modified(db));

    // No: straight to the Load chooser without saving.
    std::string other = write_csf("other.csf", 0x22);
    queue_answer(answer_response(GTK_RESPONSE_NO));
    queue_answer(answer_choose(other));
    activate_item(FILE_OPEN);
    ASSERT_EQ(seen_dialogs().size(), 6u);
    EXPECT_EQ(seen_dialogs()[5].title, "Load File");
    EXPECT_EQ(db_flags(shell_database()), 0x22);
}

TEST_F(ShellTest, OpenOverModifiedYesSavesProjectThenLoads)
{
    open_path(write_csf("voice.csf"));
    db_set_flags(shell_database(), 0x3C);
    std::string project = dir.file("work.TBP");
    std::string other = write_csf("other.csf", 0x01);

    queue_answer(answer_response(GTK_RESPONSE_YES));
    queue_answer(answer_choose(project));
    queue_answer(answer_choose(other));
    activate_item(FILE_OPEN);

    ASSERT_EQ(seen_dialogs().size(), 4u);
    EXPECT_EQ(seen_dialogs()[2].current_name, "voice.tbp") << "the opened file's name as a project";
    EXPECT_TRUE(seen_dialogs()[2].overwrite_confirmation);
    ASSERT_TRUE(file_exists(project)) << "upper-case .TBP passes, written under the name as typed";
    EXPECT_EQ(db_flags(shell_database()), 0x01);

    // The saved project holds the edit made before the Open.
    open_path(project);
    EXPECT_EQ(db_flags(shell_database()), 0x3C);
    EXPECT_FALSE(db_is_modified(shell_database()));
}

TEST_F(ShellTest, QuitModifiedYesThenCancelledChooserKeepsRunning)
{
    open_path(write_csf("voice.csf"));
    SpeechDb* db = shell_database();
    db_set_language_code(db, "EN");

    queue_answer(answer_response(GTK_RESPONSE_YES));
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    EXPECT_FALSE(main_loop_quit_by([] { shell_quit(); }));
    EXPECT_EQ(shell_database(), db);
    EXPECT_TRUE(db_is_modified(db));
    EXPECT_EQ(seen_dialogs().back().title, "Save File");
    EXPECT_TRUE(gtk_widget_get_visible(shell_main_window()));
}

TEST_F(ShellTest, QuitModifiedYesWithCsfNameRefusesAndKeepsRunning)
{
    open_path(write_csf("voice.csf"));
    SpeechDb* db = shell_database();
    db_set_flags(db, 0x7F);
    std::string wrong = dir.file("project.csf");

    queue_answer(answer_response(GTK_RESPONSE_YES));
    queue_answer(answer_choose(wrong));
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    EXPECT_FALSE(main_loop_quit_by([] { shell_quit(); }));
    ASSERT_EQ(seen_dialogs().size(), 4u);
    EXPECT_EQ(seen_dialogs()[3].text, "Project file must have 'tbp' extension.");
    EXPECT_FALSE(file_exists(wrong));
    EXPECT_EQ(shell_database(), db);
    EXPECT_TRUE(db_is_modified(db));
}

TEST_F(ShellTest, WindowCloseRunsTheQuitFlow)
{
    open_path(write_csf("voice.csf"));
    db_set_flags(shell_database(), 0x44);

    // Cancel: the window is neither destroyed nor hidden.
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    EXPECT_FALSE(main_loop_quit_by([] { send_delete_event(shell_main_window()); }));
    ASSERT_TRUE(GTK_IS_WINDOW(shell_main_window()));
    EXPECT_TRUE(gtk_widget_get_visible(shell_main_window()));
    EXPECT_EQ(seen_dialogs().back().text, ASK_EXIT);

    // No: the program ends without saving.
    queue_answer(answer_response(GTK_RESPONSE_NO));
    EXPECT_TRUE(main_loop_quit_by([] { send_delete_event(shell_main_window()); }));
    EXPECT_EQ(shell_database(), nullptr);
}

TEST_F(ShellTest, SaveAudioChecksExtensionAndKeepsModifiedMark)
{
    open_path(write_csf("voice.csf"));
    db_set_flags(shell_database(), 0x90);

    std::string wrong = dir.file("audio.wav");
    queue_answer(answer_choose(wrong));
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    activate_item(FILE_SAVE_AUDIO);
    ASSERT_EQ(seen_dialogs().size(), 3u);
    EXPECT_EQ(seen_dialogs()[1].title, "Save File");
    EXPECT_EQ(seen_dialogs()[1].current_name, "voice.csf");
    EXPECT_EQ(seen_dialogs()[1].chooser_action, GTK_FILE_CHOOSER_ACTION_SAVE);
    EXPECT_EQ(seen_dialogs()[2].text, "Audio file must have 'csf' extension.");
    EXPECT_FALSE(file_exists(wrong));

    std::string good = dir.file("Saved.CSF");
    queue_answer(answer_choose(good));
    activate_item(FILE_SAVE_AUDIO);
    ASSERT_TRUE(file_exists(good));
    EXPECT_TRUE(db_is_modified(shell_database())) << "a CSF save leaves the project unsaved";

    // So Quit still asks.
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    EXPECT_FALSE(main_loop_quit_by([] { shell_quit(); }));
    EXPECT_EQ(seen_dialogs().back().text, ASK_EXIT);

    // The written file holds the edited header.
    open_path_answering_no(good);
    EXPECT_EQ(db_flags(shell_database()), 0x90);
}

TEST_F(ShellTest, SaveCommandsWithoutDatabaseDoNothing)
{
    activate_item(FILE_SAVE_PROJECT_AS);
    activate_item(FILE_SAVE_AUDIO);
    pump_for(200);
    EXPECT_TRUE(seen_dialogs().empty());
    EXPECT_EQ(find_new_toplevel_dialog(), nullptr) << "no chooser may appear";
    EXPECT_FALSE(shell_save_project_as());
}

TEST_F(ShellTest, ChoosersRememberTheirOwnFolders)
{
    std::string save_dir = dir.file("saves");
    std::string open_dir = dir.file("loads");
    g_mkdir(save_dir.c_str(), 0700);
    g_mkdir(open_dir.c_str(), 0700);
    std::string source = write_csf("loads/voice.csf");
    open_path(source);

    queue_answer(answer_choose(save_dir + "/copy.csf"));
    activate_item(FILE_SAVE_AUDIO);
    EXPECT_EQ(dialogs_save_folder(), save_dir);
    EXPECT_EQ(dialogs_open_folder(), open_dir);

    // After a save the Load chooser still starts where the last load was.
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    activate_item(FILE_OPEN);
    EXPECT_EQ(seen_dialogs().back().folder, open_dir);

    // The database's own save choosers start beside its file; a cancelled
    // chooser does not move the remembered folder.
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    activate_item(FILE_SAVE_PROJECT_AS);
    EXPECT_EQ(seen_dialogs().back().folder, open_dir);
    EXPECT_EQ(seen_dialogs().back().current_name, "voice.tbp");
    EXPECT_EQ(dialogs_save_folder(), save_dir);
}

TEST_F(ShellTest, GoToSelectsTheRowAndShowsItsPage)
{
    open_path(write_csf("voice.csf"));
    GtkNotebook* nb = GTK_NOTEBOOK(shell_notebook());

    shell_go_to_word(2);
    EXPECT_EQ(gtk_notebook_get_current_page(nb), 1);
    EXPECT_EQ(words_page_selected_word(), 2);
    shell_go_to_phrase(1);
    EXPECT_EQ(gtk_notebook_get_current_page(nb), 0);
    EXPECT_EQ(phrases_page_selected_phrase(), 1);

    // A row that does not exist selects nothing new, but the page still shows.
    shell_go_to_word(99);
    EXPECT_EQ(gtk_notebook_get_current_page(nb), 1);
    EXPECT_EQ(words_page_selected_word(), 2);
}

TEST_F(ShellTest, ShowingTheWordsPageRebuildsUsage)
{
    open_path(write_csf("voice.csf")); // phrases {0, 1} and {2, 1, 0}
    SpeechDb* db = shell_database();
    GtkNotebook* nb = GTK_NOTEBOOK(shell_notebook());
    shell_go_to_word(2);
    GtkTreeView* usage_list = words_page_widgets().usage_list;
    EXPECT_EQ(list_values(usage_list), std::vector<int>{1});
    EXPECT_EQ(word_usage(db, 2).size(), 1u);
    gtk_notebook_set_current_page(nb, 0);

    // An edit made elsewhere: phrase 0 now speaks word 2 first.
    ASSERT_TRUE(phrase_set_word(db, 0, 0, 2));
    EXPECT_EQ(word_usage(db, 2).size(), 2u) << "the usage lists did not follow the edit";
    gtk_notebook_set_current_page(nb, 1);
    EXPECT_EQ(list_values(usage_list), (std::vector<int>{0, 1})) << "the page hook did not show the edit";
}
