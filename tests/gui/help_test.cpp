// GUI tests of the Help menu: Contents (and F1) hand the guide's file URI
// to the browser seam, a failure to open it is reported, About shows the
// version and links to the same guide; and where the guide is looked for.
#include "shell_fixture.h"
#include "ui/gtk_ptr.h"
#include "ui/help.h"
#include "ui/shortcuts_dialog.h"
#include "ui/shell.h"

#include "tembrel_config.h"

#include <algorithm>
#include <gdk/gdkkeysyms.h>
#include <glib/gstdio.h>

namespace {

std::vector<std::string> opened;
bool open_succeeds = true;

bool record_uri(const char* uri, GError** error)
{
    opened.push_back(uri);
    if (!open_succeeds)
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "No browser here");
    return open_succeeds;
}

class HelpTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        opened.clear();
        open_succeeds = true;
        help_set_uri_opener_for_tests(record_uri);
    }
    void TearDown() override
    {
        help_set_uri_opener_for_tests(nullptr);
        ShellTest::TearDown();
    }
};

std::vector<GtkWidget*> help_menu_items()
{
    std::vector<GtkWidget*> bars = find_all(shell_main_window(), GTK_TYPE_MENU_BAR);
    std::vector<GtkWidget*> top = find_all(bars.at(0), GTK_TYPE_MENU_ITEM);
    // Help is the last menu of the bar.
    GtkWidget* menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(top.back()));
    GListPtr children(gtk_container_get_children(GTK_CONTAINER(menu)));
    std::vector<GtkWidget*> items;
    for (GList* l = children.get(); l; l = l->next)
        items.push_back(GTK_WIDGET(l->data));
    return items;
}

// The local file a file URI names, or empty for any other URI.
std::string file_of(const std::string& uri)
{
    GCharPtr path(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
    return path ? path.get() : "";
}

} // namespace

TEST_F(HelpTest, ContentsAndF1OpenTheGuideAsAnExistingFile)
{
    std::vector<GtkWidget*> items = help_menu_items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(menu_item_label(items[0]), "_Contents");
    EXPECT_EQ(menu_item_label(items[1]), "_Keyboard Shortcuts");
    EXPECT_EQ(menu_item_label(items[2]), "gtk-about");

    gtk_menu_item_activate(GTK_MENU_ITEM(items[0]));
    pump_events();
    EXPECT_TRUE(gtk_accel_groups_activate(G_OBJECT(shell_main_window()), GDK_KEY_F1, GdkModifierType(0)));
    pump_events();

    ASSERT_EQ(opened.size(), 2u);
    for (const std::string& uri : opened) {
        std::string path = file_of(uri);
        EXPECT_TRUE(g_str_has_suffix(path.c_str(), "/guide.html")) << uri;
        EXPECT_TRUE(g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) << uri;
        EXPECT_EQ(uri, help_guide_uri());
    }
    EXPECT_TRUE(seen_dialogs().empty());
}

TEST_F(HelpTest, GuideThatCannotBeShownIsReported)
{
    open_succeeds = false;
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    help_show_contents();
    ASSERT_EQ(seen_dialogs().size(), 1u);
    EXPECT_EQ(seen_dialogs()[0].message_type, GTK_MESSAGE_ERROR);
    EXPECT_EQ(seen_dialogs()[0].text, "Could not open the user guide\nNo browser here");
}

TEST_F(HelpTest, AboutShowsVersionLicenceAndLinksToTheGuide)
{
    std::string version, name, website, licence;
    GtkWindow* parent = nullptr;
    queue_answer(answer_after(
        [&](GtkWidget* dialog) {
            GtkAboutDialog* about = GTK_ABOUT_DIALOG(dialog);
            version = gtk_about_dialog_get_version(about);
            name = gtk_about_dialog_get_program_name(about);
            website = gtk_about_dialog_get_website(about) ? gtk_about_dialog_get_website(about) : "";
            licence = gtk_about_dialog_get_license(about) ? gtk_about_dialog_get_license(about) : "";
            parent = gtk_window_get_transient_for(GTK_WINDOW(dialog));
            gboolean handled = FALSE;
            g_signal_emit_by_name(dialog, "activate-link", website.c_str(), &handled);
            EXPECT_TRUE(handled);
        },
        GTK_RESPONSE_CANCEL));
    gtk_menu_item_activate(GTK_MENU_ITEM(help_menu_items().at(2)));
    pump_events();

    EXPECT_EQ(version, TEMBREL_VERSION);
    EXPECT_EQ(name, "Tembrel");
    EXPECT_NE(licence.find("All rights reserved"), std::string::npos) << licence;
    EXPECT_EQ(website, help_guide_uri());
    EXPECT_EQ(parent, GTK_WINDOW(shell_main_window()));
    EXPECT_EQ(opened, std::vector<std::string> { website }) << "the link goes through the same opener";
}

// The table lists what the window really answers to: every accelerator a
// menu item or button carries, under the label it shows, and nothing else.
TEST_F(HelpTest, KeyboardShortcutsListEveryAcceleratorOfTheWindow)
{
    std::vector<std::pair<std::string, std::string>> rows;
    queue_answer(answer_after(
        [&](GtkWidget* dialog) {
            GtkTreeView* list = GTK_TREE_VIEW(find_all(dialog, GTK_TYPE_TREE_VIEW).at(0));
            GtkTreeModel* model = gtk_tree_view_get_model(list);
            GtkTreeIter iter;
            for (bool ok = gtk_tree_model_get_iter_first(model, &iter); ok; ok = gtk_tree_model_iter_next(model, &iter)) {
                gchar* action = nullptr;
                gchar* keys = nullptr;
                gtk_tree_model_get(model, &iter, 0, &action, 1, &keys, -1);
                rows.emplace_back(action, keys);
                g_free(action);
                g_free(keys);
            }
        },
        GTK_RESPONSE_CLOSE));
    gtk_menu_item_activate(GTK_MENU_ITEM(help_menu_items().at(1)));
    pump_events();
    ASSERT_EQ(seen_dialogs().size(), 1u);
    EXPECT_EQ(seen_dialogs()[0].title, "Keyboard Shortcuts");

    auto listed = [&rows](const std::string& action, guint key, int mods) {
        GCharPtr keys(gtk_accelerator_get_label(key, GdkModifierType(mods)));
        return std::count(rows.begin(), rows.end(), std::make_pair(action, std::string(keys.get())));
    };
    const struct {
        const char* action;
        guint key;
        int mods;
    } expected[] = {
        { "File > Open", GDK_KEY_o, GDK_CONTROL_MASK },
        { "File > Save", GDK_KEY_s, GDK_CONTROL_MASK },
        { "File > Quit", GDK_KEY_q, GDK_CONTROL_MASK },
        { "Edit > Undo", GDK_KEY_z, GDK_CONTROL_MASK },
        { "Edit > Redo", GDK_KEY_z, GDK_CONTROL_MASK | GDK_SHIFT_MASK },
        { "Edit > Redo", GDK_KEY_y, GDK_CONTROL_MASK },
        { "Edit > Find", GDK_KEY_f, GDK_CONTROL_MASK },
        { "Edit > Go To Number…", GDK_KEY_g, GDK_CONTROL_MASK },
        { "Help > Contents", GDK_KEY_F1, 0 },
        { "Words > Record", GDK_KEY_r, GDK_CONTROL_MASK },
    };
    // Whether the window answers to the key: it is one of its accelerators.
    auto installed = [](guint key, int mods) {
        for (GSList* g = gtk_accel_groups_from_object(G_OBJECT(shell_main_window())); g; g = g->next) {
            guint n = 0;
            gtk_accel_group_query(GTK_ACCEL_GROUP(g->data), key, GdkModifierType(mods), &n);
            if (n > 0)
                return true;
        }
        return false;
    };
    for (const auto& e : expected) {
        EXPECT_EQ(listed(e.action, e.key, e.mods), 1) << e.action;
        EXPECT_TRUE(installed(e.key, e.mods)) << e.action;
    }
    // Every row that names an accelerator is one the window has.
    for (const Shortcut& s : shortcuts_of(GTK_WINDOW(shell_main_window()))) {
        if (!s.key || s.mnemonic)
            continue;
        EXPECT_EQ(listed(s.action, s.key, s.mods), 1) << s.action;
        EXPECT_TRUE(installed(s.key, s.mods)) << s.action;
    }
    // The keys the lists and entries handle themselves come after.
    EXPECT_GE(rows.size(), std::size(expected) + 2);
}

TEST(HelpGuide, FoundInstalledBesideTheProgramElseInTheBuildFolder)
{
    TempDir dir;
    const std::string bin = dir.file("prefix/bin");
    const std::string installed = dir.file("prefix/share/doc/tembrel/guide.html");
    const std::string build_copy = dir.file("build/guide.html");
    ASSERT_EQ(g_mkdir_with_parents(bin.c_str(), 0700), 0);
    ASSERT_EQ(g_mkdir_with_parents(dir.file("prefix/share/doc/tembrel").c_str(), 0700), 0);
    ASSERT_EQ(g_mkdir_with_parents(dir.file("build").c_str(), 0700), 0);

    struct Case {
        bool installed;
        bool build_copy;
        std::string want;
    };
    const Case cases[] = {
        { true, true, installed },
        { true, false, installed },
        { false, true, build_copy },
        { false, false, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "installed " << c.installed << ", build copy " << c.build_copy);
        g_remove(installed.c_str());
        g_remove(build_copy.c_str());
        if (c.installed)
            write_bytes(installed, { '<' });
        if (c.build_copy)
            write_bytes(build_copy, { '<' });
        EXPECT_EQ(help_find_guide(bin, build_copy), c.want);
    }
    EXPECT_EQ(help_find_guide("", ""), "");
}
