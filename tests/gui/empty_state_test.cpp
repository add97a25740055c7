// The window without a database: nothing can be used but File > Open, the
// lists say so in their middle, and their column headers look as they do
// with a database.
#include "shell_fixture.h"
#include "ui/gtk_ptr.h"
#include "ui/phrases_page_view.h"
#include "ui/shell.h"
#include "ui/words_page_view.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<GtkWidget*> controls()
{
    std::vector<GtkWidget*> all = find_all(shell_notebook(), GTK_TYPE_BUTTON);
    for (GtkWidget* entry : find_all(shell_notebook(), GTK_TYPE_ENTRY))
        all.push_back(entry);
    return all;
}

std::string name_of(GtkWidget* widget)
{
    if (GTK_IS_BUTTON(widget) && gtk_button_get_label(GTK_BUTTON(widget)))
        return gtk_button_get_label(GTK_BUTTON(widget));
    return G_OBJECT_TYPE_NAME(widget);
}

// The height of `view`'s column headers, as shown.
int header_height(GtkTreeView* view)
{
    int x = 0;
    int y = 0;
    gtk_tree_view_convert_bin_window_to_widget_coords(view, 0, 0, &x, &y);
    return y;
}

// Where a list's rows area has ink (pixels unlike its background), drawn
// into a pixmap of its own, so other windows on the screen cannot hide it.
struct Ink {
    bool any = false;
    int left = 0, right = 0, top = 0, bottom = 0; // in the rows area
    int width = 0, height = 0; // of the rows area
};

Ink rows_ink(GtkTreeView* view)
{
    Ink ink;
    // The rows area as far as the list shows it.
    GdkRectangle shown;
    gtk_tree_view_get_visible_rect(view, &shown);
    int x0 = 0;
    int y0 = 0;
    gtk_tree_view_convert_tree_to_widget_coords(view, shown.x, shown.y, &x0, &y0);
    ink.width = shown.width;
    ink.height = shown.height;
    GdkPixmap* shot = gtk_widget_get_snapshot(GTK_WIDGET(view), nullptr);
    if (!shot)
        return ink;
    int shot_width = 0;
    int shot_height = 0;
    gdk_drawable_get_size(shot, &shot_width, &shot_height);
    ink.width = std::min(ink.width, shot_width - x0);
    ink.height = std::min(ink.height, shot_height - y0);
    GObjectPtr<GdkPixbuf> pixels(gdk_pixbuf_get_from_drawable(nullptr, shot, gdk_drawable_get_colormap(shot), 0, 0, 0, 0,
        x0 + ink.width, y0 + ink.height));
    g_object_unref(shot);
    if (!pixels)
        return ink;
    const guchar* data = gdk_pixbuf_get_pixels(pixels.get());
    const int stride = gdk_pixbuf_get_rowstride(pixels.get());
    const int channels = gdk_pixbuf_get_n_channels(pixels.get());
    auto at = [&](int x, int y) { return data + (y0 + y) * stride + (x0 + x) * channels; };
    const guchar* background = at(0, ink.height - 1);
    ink.left = ink.width;
    ink.top = ink.height;
    for (int y = 0; y < ink.height; ++y)
        for (int x = 0; x < ink.width; ++x)
            if (!std::equal(background, background + 3, at(x, y))) {
                ink.any = true;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

using EmptyStateTest = WindowTest;

TEST_F(EmptyStateTest, NothingButOpenWorksWithoutADatabase)
{
    const std::vector<GtkWidget*> all = controls();
    // Every button, check box and entry of the three pages.
    EXPECT_GE(all.size(), 30u);
    for (GtkWidget* control : all)
        EXPECT_FALSE(sensitive(control)) << name_of(control);

    open_path(write_csf("voice.csf"));
    select_row(p->phrase_list, 0);
    // Controls a database with a selected phrase makes usable.
    for (GtkWidget* control : { p->filter.entry, p->use_aliases, w->filter.entry, p->play_phrase })
        EXPECT_TRUE(sensitive(control)) << name_of(control);
    EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](GtkWidget* c) { return GTK_IS_ENTRY(c) && sensitive(c); }));
}

TEST_F(EmptyStateTest, HeadersKeepTheirHeightWithoutADatabase)
{
    const std::vector<ListOnPage> shown = main_lists();
    std::vector<int> empty;
    for (const auto& l : shown) {
        show_page(l.page);
        empty.push_back(header_height(l.view));
    }
    open_path(write_csf("voice.csf"));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE(shown[i].name);
        show_page(shown[i].page);
        const int loaded = header_height(shown[i].view);
        EXPECT_GT(loaded, 10);
        EXPECT_EQ(empty[i], loaded);
    }
}

TEST_F(EmptyStateTest, EveryListShowsTheOpenHintInItsMiddle)
{
    for (const auto& l : lists()) {
        SCOPED_TRACE(l.name);
        show_page(l.page);
        const Ink ink = rows_ink(l.view);
        ASSERT_TRUE(ink.any);
        // A line of text, centred both ways to within a pixel or two.
        EXPECT_GT(ink.right - ink.left, 100);
        EXPECT_LE(std::abs((ink.left + ink.right) - (ink.width - 1)), 4);
        EXPECT_LE(std::abs((ink.top + ink.bottom) - (ink.height - 1)), 4);
    }
    // A database takes the hint away, even from a list a filter empties.
    open_path(write_csf("voice.csf"));
    gtk_entry_set_text(GTK_ENTRY(p->filter.entry), "no such comment");
    show_page(0);
    EXPECT_FALSE(rows_ink(p->phrase_list).any);
}

} // namespace
