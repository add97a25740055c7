// Fixture for GUI tests that need the whole main window (shell_fixture.h).
#include "shell_fixture.h"

#include "db/csf.h"
#include "ui/gtk_ptr.h"
#include "ui/phrases_page.h"
#include "ui/phrases_page_view.h"
#include "ui/shell.h"
#include "ui/words_page.h"
#include "ui/words_page_view.h"

#include <memory>

void ShellTest::SetUp()
{
    GuiTest::SetUp();
    shell_build();
    pump_events();
}

void ShellTest::TearDown()
{
    GuiTest::TearDown();
    shell_destroy_for_tests();
    // The files a test opened stay out of the next test's recent files,
    // which the file choosers load as they open.
    gtk_recent_manager_purge_items(gtk_recent_manager_get_default(), nullptr);
    pump_events();
}

void ShownDbTest::SetUp()
{
    ShellTest::SetUp();
    db = shown_db();
    phrases_page_reload(db.get());
    words_page_reload(db.get());
    p = &phrases_page_widgets();
    w = &words_page_widgets();
    pump_events();
}

void ShownDbTest::TearDown()
{
    ShellTest::TearDown();
    db.reset();
}

void WindowTest::SetUp()
{
    ShellTest::SetUp();
    p = &phrases_page_widgets();
    w = &words_page_widgets();
}

void WindowTest::show(SpeechDbPtr shown)
{
    db = std::move(shown);
    phrases_page_reload(db.get());
    words_page_reload(db.get());
    pump_events();
}

void WindowTest::show_page(int page)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), page);
    pump_events();
}

std::vector<WindowTest::ListOnPage> WindowTest::lists() const
{
    return {
        { "Phrases", p->phrase_list, 0, true },
        { "Words in phrase", p->word_list, 0, false },
        { "Words", w->word_list, 1, true },
        { "Phrases using word", w->usage_list, 1, false },
    };
}

std::vector<WindowTest::ListOnPage> WindowTest::main_lists() const
{
    std::vector<ListOnPage> main;
    for (const ListOnPage& l : lists())
        if (l.main)
            main.push_back(l);
    return main;
}

std::string ShellTest::write_csf(const std::string& name, int flags, const char* language, DbFormat format)
{
    SpeechDbPtr db = make_db(
        format, { { 0x11, 0x22, 0x33, 0x44 }, { 0x55, 0x66 }, { 0x77 } }, { { 0, 1 }, { 2, 1, 0 } }, language, flags);
    std::string path = dir.file(name);
    ErrorText err;
    EXPECT_TRUE(csf_save(db.get(), path.c_str(), &err)) << err;
    return path;
}

void ShellTest::open_path(const std::string& path)
{
    queue_answer(answer_choose(path));
    activate_item(FILE_OPEN);
    EXPECT_EQ(unanswered_count(), 0u);
}

void ShellTest::open_path_answering_no(const std::string& path)
{
    queue_answer(answer_response(GTK_RESPONSE_NO));
    open_path(path);
}

std::vector<GtkWidget*> file_menu_items()
{
    std::vector<GtkWidget*> bars = find_all(shell_main_window(), GTK_TYPE_MENU_BAR);
    if (bars.empty())
        return {};
    std::vector<GtkWidget*> top = find_all(bars[0], GTK_TYPE_MENU_ITEM);
    if (top.empty())
        return {};
    GtkWidget* menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(top[0]));
    std::vector<GtkWidget*> items;
    GListPtr children(gtk_container_get_children(GTK_CONTAINER(menu)));
    for (GList* l = children.get(); l; l = l->next)
        items.push_back(GTK_WIDGET(l->data));
    return items;
}

void activate_item(int index)
{
    std::vector<GtkWidget*> items = file_menu_items();
    ASSERT_LT(std::size_t(index), items.size());
    gtk_menu_item_activate(GTK_MENU_ITEM(items[std::size_t(index)]));
}

std::string menu_item_label(GtkWidget* item)
{
    const char* label = gtk_menu_item_get_label(GTK_MENU_ITEM(item));
    return label ? label : "";
}

std::string menu_item_image_stock(GtkWidget* item)
{
    GtkWidget* image = gtk_image_menu_item_get_image(GTK_IMAGE_MENU_ITEM(item));
    if (!image || gtk_image_get_storage_type(GTK_IMAGE(image)) != GTK_IMAGE_STOCK)
        return "";
    gchar* stock = nullptr;
    GtkIconSize size;
    gtk_image_get_stock(GTK_IMAGE(image), &stock, &size);
    return stock ? stock : "";
}

std::string advanced_flags_text()
{
    GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(shell_notebook()), 2);
    // The label sits in the row of flag boxes.
    std::vector<GtkWidget*> boxes = find_all(page, GTK_TYPE_CHECK_BUTTON);
    if (boxes.empty())
        return "";
    std::vector<GtkWidget*> labels = find_all(gtk_widget_get_parent(boxes[0]), GTK_TYPE_LABEL);
    return labels.empty() ? "" : gtk_label_get_text(GTK_LABEL(labels.back()));
}

GtkWidget* find_new_toplevel_dialog()
{
    GListPtr toplevels(gtk_window_list_toplevels());
    for (GList* l = toplevels.get(); l; l = l->next)
        if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
            return GTK_WIDGET(l->data);
    return nullptr;
}
