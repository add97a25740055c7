// The window's layout: column titles that are never cut, a comment column
// that takes the width left and shows long comments whole in a tooltip,
// and buttons of one width per column.
#include "db/operations.h"
#include "shell_fixture.h"
#include "ui/phrases_page.h"
#include "ui/phrases_page_view.h"
#include "ui/settings.h"
#include "ui/shell.h"
#include "ui/words_page.h"
#include "ui/words_page_view.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The header button of `column` and the title inside it.
GtkWidget* header_button(GtkTreeViewColumn* column)
{
    GtkWidget* w = gtk_tree_view_column_get_widget(column);
    while (w && !GTK_IS_BUTTON(w))
        w = gtk_widget_get_parent(w);
    return w;
}

std::vector<GtkTreeViewColumn*> columns_of(GtkTreeView* view)
{
    std::vector<GtkTreeViewColumn*> all;
    for (int i = 0; GtkTreeViewColumn* c = gtk_tree_view_get_column(view, i); ++i)
        all.push_back(c);
    return all;
}

// The text of the tooltip `view` gives from the keyboard at its cursor;
// empty when it gives none.
std::string keyboard_tooltip(GtkTreeView* view)
{
    GtkTooltip* tooltip = GTK_TOOLTIP(g_object_new(GTK_TYPE_TOOLTIP, nullptr));
    gboolean shown = FALSE;
    g_signal_emit_by_name(view, "query-tooltip", 0, 0, TRUE, tooltip, &shown);
    std::string text;
    // The tooltip's own window holds the label it sets.
    GListPtr windows(gtk_window_list_toplevels());
    for (GList* l = windows.get(); l && shown; l = l->next)
        if (g_strcmp0(gtk_widget_get_name(GTK_WIDGET(l->data)), "gtk-tooltip") == 0)
            for (GtkWidget* label : find_all(GTK_WIDGET(l->data), GTK_TYPE_LABEL))
                if (*gtk_label_get_text(GTK_LABEL(label)))
                    text = gtk_label_get_text(GTK_LABEL(label));
    g_object_unref(tooltip);
    return text;
}

const std::string LONG_COMMENT = "turn left at the second roundabout, then follow the signs to the city centre and "
                                 "keep to the right lane until the end of the road";

class LayoutTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        SpeechDbPtr d = make_db(DB_FORMAT_MODERN, std::vector<std::vector<std::uint8_t>>(4, { 1, 2, 3, 4 }),
            { { 0, 1 }, { 2 }, { 3, 2, 1 } });
        phrase_set_comment(d.get(), 0, LONG_COMMENT.c_str());
        phrase_set_comment(d.get(), 1, "short");
        show(std::move(d));
    }
    // The window at its smallest size.
    static void shrink_window()
    {
        GtkWindow* window = GTK_WINDOW(shell_main_window());
        gtk_window_resize(window, 1, 1);
        pump_until([window] {
            int width = 0;
            int height = 0;
            gtk_window_get_size(window, &width, &height);
            GtkAllocation a;
            gtk_widget_get_allocation(GTK_WIDGET(window), &a);
            return a.width == 700 && a.height == 580;
        });
        pump_events();
    }
};

TEST_F(LayoutTest, TitlesAreNeverCutAndChangedStaysInSight)
{
    shrink_window();
    for (const auto& l : main_lists()) {
        SCOPED_TRACE(l.name);
        show_page(l.page);
        GdkRectangle shown;
        gtk_tree_view_get_visible_rect(l.view, &shown);
        for (GtkTreeViewColumn* column : columns_of(l.view)) {
            SCOPED_TRACE(gtk_tree_view_column_get_title(column));
            GtkWidget* button = header_button(column);
            ASSERT_TRUE(button);
            GtkRequisition needed;
            gtk_widget_size_request(button, &needed);
            GtkAllocation given;
            gtk_widget_get_allocation(button, &given);
            EXPECT_GE(given.width, needed.width);
            // The last column too ends inside the list, however long the
            // comments are.
            GtkAllocation list;
            gtk_widget_get_allocation(GTK_WIDGET(l.view), &list);
            EXPECT_LE(given.x + given.width, list.x + shown.width);
        }
    }
}

TEST_F(LayoutTest, LongCommentsEndInAnEllipsisAndShowWholeInTheTooltip)
{
    shrink_window();
    const struct {
        int row;
        std::string tooltip;
    } cases[] = { { 0, LONG_COMMENT }, { 1, "" }, { 2, "" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        TreePathPtr path(gtk_tree_path_new_from_indices(c.row, -1));
        gtk_tree_view_set_cursor(p->phrase_list, path.get(), p->comment_column, FALSE);
        pump_events();
        EXPECT_EQ(keyboard_tooltip(p->phrase_list), c.tooltip);
    }
    // Elsewhere in the row a long comment gives no tooltip.
    TreePathPtr first(gtk_tree_path_new_from_indices(0, -1));
    gtk_tree_view_set_cursor(p->phrase_list, first.get(), p->words_column, FALSE);
    EXPECT_EQ(keyboard_tooltip(p->phrase_list), "");
}

TEST_F(LayoutTest, ButtonsOfAColumnShareOneWidth)
{
    const struct {
        const char* name;
        std::vector<GtkWidget*> buttons;
        int page;
    } columns[] = {
        { "phrase buttons",
            { p->play_phrase, p->play_word, p->stop, p->save_phrase, p->go_to_word, p->move_up, p->move_down,
                p->add_word, p->remove_word },
            0 },
        { "word buttons", { w->play, w->stop, w->replace, w->record, w->move_up, w->move_down, w->add, w->remove, w->save },
            1 },
        { "usage buttons", { w->play_phrase, w->play_all, w->go_to_phrase }, 1 },
    };
    for (const auto& c : columns) {
        SCOPED_TRACE(c.name);
        show_page(c.page);
        GtkAllocation first;
        gtk_widget_get_allocation(c.buttons[0], &first);
        EXPECT_GT(first.width, 20);
        for (GtkWidget* b : c.buttons) {
            GtkAllocation a;
            gtk_widget_get_allocation(b, &a);
            EXPECT_EQ(a.width, first.width) << gtk_button_get_label(GTK_BUTTON(b));
        }
    }
}

// The window's own size and panes, with a settings file of the test's own.
class WindowGeometryTest : public GuiTest {
protected:
    PrivateConfigHome home;
    void TearDown() override
    {
        GuiTest::TearDown();
        shell_destroy_for_tests();
        pump_events();
    }
    static GtkPaned* pane_of(GtkTreeView* view)
    {
        return GTK_PANED(gtk_widget_get_ancestor(GTK_WIDGET(view), GTK_TYPE_PANED));
    }
    static bool allocated(int width, int height)
    {
        return pump_until([=] {
            GtkAllocation a;
            gtk_widget_get_allocation(shell_main_window(), &a);
            return a.width == width && a.height == height;
        });
    }
};

TEST_F(WindowGeometryTest, OpensShowingAboutTwentyPhrases)
{
    shell_build();
    SpeechDbPtr db = make_generated_db(DB_FORMAT_MODERN, 10, [](std::uint32_t) { return 4; }, 500, 3);
    phrases_page_reload(db.get());
    pump_for(200);
    TreePathPtr first;
    TreePathPtr last;
    GtkTreePath* a = nullptr;
    GtkTreePath* b = nullptr;
    ASSERT_TRUE(gtk_tree_view_get_visible_range(phrases_page_widgets().phrase_list, &a, &b));
    first.reset(a);
    last.reset(b);
    const int rows = gtk_tree_path_get_indices(last.get())[0] - gtk_tree_path_get_indices(first.get())[0] + 1;
    // On a screen of 1024 lines the window stops a little short of it.
    EXPECT_GE(rows, 17);
    EXPECT_LE(rows, 22);
    phrases_page_reload(nullptr);
}

TEST_F(WindowGeometryTest, SizeAndPanesComeBackAfterQuit)
{
    shell_build();
    GtkWindow* window = GTK_WINDOW(shell_main_window());
    gtk_window_resize(window, 820, 930);
    ASSERT_TRUE(allocated(820, 930));
    // Each pane moved as a user would, on its page.
    const struct {
        GtkTreeView* const* list; // the list in the pane, in whichever window is built
        int page;
        const char* key;
        int position;
    } panes[] = {
        { &phrases_page_widgets().phrase_list, 0, "phrases-pane", 250 },
        { &words_page_widgets().word_list, 1, "words-pane", 480 },
    };
    for (const auto& pane : panes) {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), pane.page);
        // Settled at the new size first: a pane keeps its distance from
        // the bottom when its height changes.
        pump_for(100);
        gtk_paned_set_position(pane_of(*pane.list), pane.position);
        pump_events();
        ASSERT_EQ(gtk_paned_get_position(pane_of(*pane.list)), pane.position) << pane.key;
    }
    EXPECT_TRUE(main_loop_quit_by([] { shell_quit(); }));
    EXPECT_EQ(settings_get_int("window", "width", 0), 820);
    EXPECT_EQ(settings_get_int("window", "height", 0), 930);
    for (const auto& pane : panes)
        EXPECT_EQ(settings_get_int("window", pane.key, 0), pane.position) << pane.key;

    shell_destroy_for_tests();
    shell_build();
    EXPECT_TRUE(allocated(820, 930));
    for (const auto& pane : panes) {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), pane.page);
        pump_events();
        EXPECT_EQ(gtk_paned_get_position(pane_of(*pane.list)), pane.position) << pane.key;
    }
}

} // namespace
