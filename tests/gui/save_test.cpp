// GUI tests of File > Save, the names the save choosers suggest, the
// title's unsaved mark and File > Open Recent.
#include "db/load.h"
#include "db/operations.h"
#include "shell_fixture.h"
#include "ui/gtk_ptr.h"
#include "ui/recent_files.h"
#include "ui/save_names.h"
#include "ui/shell.h"

#include <gdk/gdkkeysyms.h>
#include <glib/gstdio.h>

namespace {

std::string title()
{
    return gtk_window_get_title(GTK_WINDOW(shell_main_window()));
}

void press_ctrl(guint key)
{
    gtk_accel_groups_activate(G_OBJECT(shell_main_window()), key, GDK_CONTROL_MASK);
    pump_events();
}

int flags_in(const std::string& path)
{
    SpeechDbPtr db = db_load_file(path.c_str(), nullptr);
    return db ? db_flags(db.get()) : -1;
}

TEST(SaveNames, FolderAndStemOfTheCurrentFile)
{
    struct Case {
        const char* file;
        const char* extension;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        {"/data/voice.csf", ".tbp", "/data", "voice.tbp"},
        {"/data/voice.csf", ".csf", "/data", "voice.csf"},
        {"/data/Voice.TBP", ".csf", "/data", "Voice.csf"},
        {"/data/a.b.csf", ".tbp", "/data", "a.b.tbp"},
        {"/data/noext", ".tbp", "/data", "noext.tbp"},
        {"/data/.hidden", ".tbp", "/data", ".hidden.tbp"},
        {"", ".tbp", "", "project.tbp"},
    };
    for (const Case& c : cases) {
        const SuggestedName s = suggest_save_name(c.file, c.extension, "project.tbp");
        EXPECT_EQ(s.folder, c.folder) << c.file;
        EXPECT_EQ(s.name, c.name) << c.file;
    }
}

TEST_F(ShellTest, SaveAsksForTheProjectOnceThenWritesItInPlace)
{
    const std::string csf = write_csf("voice.csf");
    open_path(csf);
    db_set_flags(shell_database(), 0x12);
    EXPECT_EQ(title(), "*" + csf + " - Tembrel 1.0");

    const std::string project = dir.file("voice.tbp");
    queue_answer(answer_choose(project));
    press_ctrl(GDK_s);
    ASSERT_EQ(seen_dialogs().size(), 2u);
    EXPECT_EQ(seen_dialogs()[1].title, "Save File");
    EXPECT_EQ(seen_dialogs()[1].current_name, "voice.tbp") << "the opened file's name as a project";
    EXPECT_EQ(seen_dialogs()[1].folder, dir.path) << "next to the opened file";
    EXPECT_EQ(flags_in(project), 0x12);
    EXPECT_EQ(title(), project + " - Tembrel 1.0") << "the title follows Save As";
    EXPECT_FALSE(db_is_modified(shell_database()));

    // From now on Save writes there without asking; saving keeps the
    // history, and undoing past the save marks the title again.
    db_set_flags(shell_database(), 0x34);
    EXPECT_EQ(title(), "*" + project + " - Tembrel 1.0");
    press_ctrl(GDK_s);
    EXPECT_EQ(seen_dialogs().size(), 2u) << "no chooser the second time";
    EXPECT_EQ(flags_in(project), 0x34);
    EXPECT_EQ(title(), project + " - Tembrel 1.0");
    gtk_accel_groups_activate(G_OBJECT(shell_main_window()), GDK_z, GDK_CONTROL_MASK);
    EXPECT_EQ(title(), "*" + project + " - Tembrel 1.0");
    gtk_accel_groups_activate(G_OBJECT(shell_main_window()), GDK_y, GDK_CONTROL_MASK);
    EXPECT_EQ(title(), project + " - Tembrel 1.0");
}

TEST_F(ShellTest, OpenedProjectSavesInPlaceAndCtrlOOpens)
{
    const std::string csf = write_csf("voice.csf");
    open_path(csf);
    const std::string project = dir.file("work.tbp");
    queue_answer(answer_choose(project));
    ASSERT_TRUE(shell_save_project_as());

    queue_answer(answer_choose(project));
    press_ctrl(GDK_o);
    EXPECT_EQ(seen_dialogs().back().title, "Load File");
    db_set_language_code(shell_database(), "FR");
    const std::size_t seen = seen_dialogs().size();
    ASSERT_TRUE(shell_save());
    EXPECT_EQ(seen_dialogs().size(), seen);
    SpeechDbPtr saved = db_load_file(project.c_str(), nullptr);
    ASSERT_NE(saved, nullptr);
    EXPECT_STREQ(db_language_code(saved.get()), "FR");
}

TEST_F(ShellTest, SaveAudioAndQuitYesSuggestTheCurrentFile)
{
    const std::string sub = dir.file("work");
    g_mkdir(sub.c_str(), 0700);
    open_path(write_csf("work/route.csf"));

    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    activate_item(FILE_SAVE_AUDIO);
    EXPECT_EQ(seen_dialogs().back().current_name, "route.csf");
    EXPECT_EQ(seen_dialogs().back().folder, sub);

    db_set_flags(shell_database(), 0x01);
    queue_answer(answer_response(GTK_RESPONSE_YES));
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    EXPECT_FALSE(main_loop_quit_by([] { shell_quit(); }));
    EXPECT_EQ(seen_dialogs().back().title, "Save File");
    EXPECT_EQ(seen_dialogs().back().current_name, "route.tbp");
    EXPECT_EQ(seen_dialogs().back().folder, sub);
}

TEST_F(ShellTest, OpenRecentListsThisProgramsFilesAndOpensThem)
{
    const std::string first = write_csf("first.csf");
    const std::string second = write_csf("second.csf", 0x22);
    open_path(first);
    open_path(second);
    GCharPtr foreign(g_filename_to_uri(dir.file("foreign.csf").c_str(), nullptr, nullptr));
    gtk_recent_manager_add_item(gtk_recent_manager_get_default(), foreign.get());
    // The manager tells its menus of changes a moment later, and they fill
    // themselves from an idle.
    pump_for(1000);

    GtkWidget* menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(file_menu_items()[FILE_OPEN_RECENT]));
    ASSERT_TRUE(GTK_IS_RECENT_CHOOSER(menu));
    GList* items = gtk_recent_chooser_get_items(GTK_RECENT_CHOOSER(menu));
    std::vector<std::string> uris;
    for (GList* l = items; l; l = l->next) {
        uris.emplace_back(gtk_recent_info_get_uri(static_cast<GtkRecentInfo*>(l->data)));
        gtk_recent_info_unref(static_cast<GtkRecentInfo*>(l->data));
    }
    g_list_free(items);
    GCharPtr first_uri(g_filename_to_uri(first.c_str(), nullptr, nullptr));
    GCharPtr second_uri(g_filename_to_uri(second.c_str(), nullptr, nullptr));
    ASSERT_GE(uris.size(), 2u);
    EXPECT_LE(uris.size(), std::size_t(RECENT_FILES_SHOWN));
    EXPECT_NE(std::find(uris.begin(), uris.end(), first_uri.get()), uris.end());
    EXPECT_NE(std::find(uris.begin(), uris.end(), second_uri.get()), uris.end());
    EXPECT_EQ(std::find(uris.begin(), uris.end(), foreign.get()), uris.end()) << "another program's file";

    // Chosen as a click chooses it: the menu's own item for the file.
    // A click makes the item the menu's active one, which the menu reports
    // as its current file, then activates it.
    GtkWidget* first_item = nullptr;
    GListPtr children(gtk_container_get_children(GTK_CONTAINER(menu)));
    guint index = 0;
    for (GList* l = children.get(); l && !first_item; l = l->next, ++index) {
        auto* info = static_cast<GtkRecentInfo*>(g_object_get_data(G_OBJECT(l->data), "gtk-recent-info"));
        if (info && std::string(gtk_recent_info_get_uri(info)) == first_uri.get()) {
            first_item = GTK_WIDGET(l->data);
            gtk_menu_set_active(GTK_MENU(menu), index);
        }
    }
    ASSERT_NE(first_item, nullptr);
    gtk_menu_item_activate(GTK_MENU_ITEM(first_item));
    pump_events();
    EXPECT_EQ(shell_file_path(), first);
    EXPECT_EQ(title(), first + " - Tembrel 1.0");
}

} // namespace
