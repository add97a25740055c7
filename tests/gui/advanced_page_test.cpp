// GUI tests of the Advanced page: the flag boxes and their label, the
// language code entry, and reloads that must not store into any database.
#include "gui_test_util.h"
#include "tests/unit/test_db.h"
#include "ui/advanced_page.h"

#include <array>

namespace {

class AdvancedPageTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        notebook = gtk_notebook_new();
        gtk_container_add(GTK_CONTAINER(window), notebook);
        advanced_page_build(GTK_NOTEBOOK(notebook));
        gtk_widget_show_all(window);
        pump_events();

        GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), 0);
        std::vector<GtkWidget*> boxes = find_all(page, GTK_TYPE_CHECK_BUTTON);
        ASSERT_EQ(boxes.size(), 8u);
        std::copy(boxes.begin(), boxes.end(), flag_boxes.begin());
        std::vector<GtkWidget*> entries = find_all(page, GTK_TYPE_ENTRY);
        ASSERT_EQ(entries.size(), 1u);
        entry = GTK_ENTRY(entries[0]);
        std::vector<GtkWidget*> tables = find_all(page, GTK_TYPE_TABLE);
        ASSERT_EQ(tables.size(), 1u);
        table = tables[0];
        format_label = GTK_LABEL(table_cell(1, 0));
        GtkWidget* flags_row = table_cell(1, 3);
        ASSERT_TRUE(GTK_IS_HBOX(flags_row));
        // The boxes' own labels, then the byte's.
        std::vector<GtkWidget*> labels = find_all(flags_row, GTK_TYPE_LABEL);
        ASSERT_EQ(labels.size(), 9u);
        flags_label = GTK_LABEL(labels.back());
        ASSERT_EQ(gtk_widget_get_parent(flag_boxes[0]), flags_row);
    }

    // The widget attached at (column, row) of the page's table.
    GtkWidget* table_cell(guint column, guint row) const
    {
        GtkWidget* found = nullptr;
        for (GtkWidget* child : find_all(table, GTK_TYPE_WIDGET)) {
            if (gtk_widget_get_parent(child) != table)
                continue;
            guint left = 0, top = 0;
            gtk_container_child_get(GTK_CONTAINER(table), child, "left-attach", &left, "top-attach", &top, nullptr);
            if (left == column && top == row)
                found = child;
        }
        return found;
    }

    std::string cell_label(guint column, guint row) const
    {
        GtkWidget* w = table_cell(column, row);
        return w && GTK_IS_LABEL(w) ? gtk_label_get_text(GTK_LABEL(w)) : "";
    }

    void TearDown() override
    {
        gtk_widget_destroy(window);
        GuiTest::TearDown();
    }

    // Which boxes are ticked, box 0 first, as "10000001".
    std::string boxes_state() const
    {
        std::string bits;
        for (GtkWidget* b : flag_boxes)
            bits += gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(b)) ? '1' : '0';
        return bits;
    }

    void enter_language(const char* text)
    {
        gtk_entry_set_text(entry, text);
        gtk_widget_activate(GTK_WIDGET(entry));
    }

    static SpeechDbPtr db_with(int flags, const char* language = "DE", DbFormat format = DB_FORMAT_MODERN)
    {
        return make_db(format, { { 1, 2 } }, { { 0 } }, language, flags);
    }

    GtkWidget* window = nullptr;
    GtkWidget* notebook = nullptr;
    GtkWidget* table = nullptr;
    std::array<GtkWidget*, 8> flag_boxes {};
    GtkEntry* entry = nullptr;
    GtkLabel* format_label = nullptr;
    GtkLabel* flags_label = nullptr;
};

} // namespace

TEST_F(AdvancedPageTest, StartsEmptyAndStoresNothingWithoutDatabase)
{
    GtkNotebook* nb = GTK_NOTEBOOK(notebook);
    EXPECT_STREQ(gtk_notebook_get_tab_label_text(nb, gtk_notebook_get_nth_page(nb, 0)), "Advanced");
    EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(gtk_notebook_get_nth_page(nb, 0))), 24u);
    // Each box names its bit, the highest first, like the byte written out.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(gtk_button_get_label(GTK_BUTTON(flag_boxes[i])), "Bit _" + std::to_string(7 - i));
    // Nothing to edit without a database; a reload makes it editable.
    EXPECT_FALSE(sensitive(GTK_WIDGET(entry)));
    EXPECT_FALSE(sensitive(flag_boxes[0]));
    EXPECT_EQ(cell_label(0, 0), "Database Format:");
    EXPECT_EQ(cell_label(0, 2), "Language Code:");
    EXPECT_EQ(cell_label(0, 3), "Flags:");
    EXPECT_EQ(table_cell(0, 1), nullptr);
    EXPECT_EQ(table_cell(1, 1), nullptr);
    ASSERT_TRUE(GTK_IS_ALIGNMENT(table_cell(1, 2)));
    EXPECT_EQ(gtk_bin_get_child(GTK_BIN(table_cell(1, 2))), GTK_WIDGET(entry));
    EXPECT_STREQ(gtk_label_get_text(format_label), " ");
    EXPECT_STREQ(gtk_entry_get_text(entry), "");
    EXPECT_EQ(gtk_entry_get_max_length(entry), 3);
    EXPECT_EQ(gtk_entry_get_width_chars(entry), 4);
    EXPECT_EQ(boxes_state(), "00000000");
    EXPECT_STREQ(gtk_label_get_text(flags_label), "00");

    // Toggling only updates the label; Enter leaves the typed text alone.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(flag_boxes[0]), TRUE);
    EXPECT_STREQ(gtk_label_get_text(flags_label), "80");
    enter_language("fr ");
    EXPECT_STREQ(gtk_entry_get_text(entry), "fr ");
}

TEST_F(AdvancedPageTest, ReloadShowsFlagBitsMostSignificantFirst)
{
    SpeechDbPtr db = db_with(0x81, "DE", DB_FORMAT_OLD);
    advanced_page_reload(db.get());
    EXPECT_EQ(boxes_state(), "10000001");
    EXPECT_STREQ(gtk_label_get_text(flags_label), "81");
    EXPECT_STREQ(gtk_label_get_text(format_label), "Old (Mk2 systems)");
    EXPECT_STREQ(gtk_entry_get_text(entry), "DE");
    EXPECT_TRUE(sensitive(GTK_WIDGET(entry)));
    EXPECT_TRUE(sensitive(flag_boxes[7]));
    EXPECT_FALSE(db_is_modified(db.get())) << "a reload sets the boxes without storing";
    EXPECT_EQ(db_flags(db.get()), 0x81);

    SpeechDbPtr other = db_with(0x05, "IT");
    advanced_page_reload(other.get());
    EXPECT_EQ(boxes_state(), "00000101");
    EXPECT_STREQ(gtk_label_get_text(flags_label), "05");
    EXPECT_STREQ(gtk_label_get_text(format_label), "Modern (Mk3 Mk4 systems)");
    EXPECT_STREQ(gtk_entry_get_text(entry), "IT");
    // Neither the new nor the previous database took the intermediate bytes.
    EXPECT_FALSE(db_is_modified(other.get()));
    EXPECT_EQ(db_flags(other.get()), 0x05);
    EXPECT_FALSE(db_is_modified(db.get()));
    EXPECT_EQ(db_flags(db.get()), 0x81);
}

TEST_F(AdvancedPageTest, ToggleStoresTheByteAndMarksModified)
{
    SpeechDbPtr db = db_with(0x81);
    advanced_page_reload(db.get());
    gtk_button_clicked(GTK_BUTTON(flag_boxes[1]));
    EXPECT_STREQ(gtk_label_get_text(flags_label), "C1");
    EXPECT_EQ(db_flags(db.get()), 0xC1);
    EXPECT_TRUE(db_is_modified(db.get()));

    gtk_button_clicked(GTK_BUTTON(flag_boxes[1]));
    EXPECT_STREQ(gtk_label_get_text(flags_label), "81");
    EXPECT_EQ(db_flags(db.get()), 0x81);
    EXPECT_TRUE(db_is_modified(db.get())) << "toggling back does not clear the mark";

    gtk_button_clicked(GTK_BUTTON(flag_boxes[7]));
    EXPECT_EQ(db_flags(db.get()), 0x80);
    EXPECT_STREQ(gtk_label_get_text(flags_label), "80");
}

TEST_F(AdvancedPageTest, LanguageCodeIsTrimmedUpperCasedOrRefused)
{
    SpeechDbPtr db = db_with(0, "EN");
    advanced_page_reload(db.get());

    enter_language("de");
    EXPECT_STREQ(db_language_code(db.get()), "DE");
    EXPECT_STREQ(gtk_entry_get_text(entry), "DE");
    EXPECT_TRUE(db_is_modified(db.get()));

    enter_language(" x ");
    EXPECT_STREQ(db_language_code(db.get()), "X");
    EXPECT_STREQ(gtk_entry_get_text(entry), "X");

    // Accented text and blanks are refused; the entry shows the stored code.
    enter_language("\xC3\xA9s");
    EXPECT_STREQ(db_language_code(db.get()), "X");
    EXPECT_STREQ(gtk_entry_get_text(entry), "X");
    enter_language("   ");
    EXPECT_STREQ(db_language_code(db.get()), "X");
    EXPECT_STREQ(gtk_entry_get_text(entry), "X");
    EXPECT_TRUE(gtk_widget_get_sensitive(GTK_WIDGET(entry)));

    // The entry takes at most three characters.
    gtk_entry_set_text(entry, "abcd");
    EXPECT_STREQ(gtk_entry_get_text(entry), "abc");
    gtk_widget_activate(GTK_WIDGET(entry));
    EXPECT_STREQ(db_language_code(db.get()), "ABC");
}

// A header from a file may hold bytes outside ASCII. The entry must get
// valid text that keeps every byte's place, and Enter on it untouched must
// leave the stored bytes and the modified mark alone.
TEST_F(AdvancedPageTest, NonAsciiCodeShowsAsQuestionMarksAndSurvivesEnter)
{
    SpeechDbPtr db = db_with(0, "D\xE9U");
    ASSERT_STREQ(db_language_code(db.get()), "D\xE9U");
    advanced_page_reload(db.get());
    EXPECT_STREQ(gtk_entry_get_text(entry), "D?U");
    EXPECT_TRUE(g_utf8_validate(gtk_entry_get_text(entry), -1, nullptr));

    gtk_widget_activate(GTK_WIDGET(entry));
    EXPECT_STREQ(db_language_code(db.get()), "D\xE9U");
    EXPECT_FALSE(db_is_modified(db.get()));
    EXPECT_STREQ(gtk_entry_get_text(entry), "D?U");

    // An ASCII code untouched is no edit either.
    SpeechDbPtr plain = db_with(0, "en");
    advanced_page_reload(plain.get());
    gtk_widget_activate(GTK_WIDGET(entry));
    EXPECT_STREQ(db_language_code(plain.get()), "en");
    EXPECT_FALSE(db_is_modified(plain.get()));

    // A real edit still goes through.
    enter_language("fr");
    EXPECT_STREQ(db_language_code(plain.get()), "FR");
    EXPECT_TRUE(db_is_modified(plain.get()));
    EXPECT_STREQ(gtk_entry_get_text(entry), "FR");
}

// A code typed without Enter is kept when the entry loses the focus and
// before a save; an entry the user left alone stores nothing.
TEST_F(AdvancedPageTest, TypedCodeIsStoredOnFocusOutAndBeforeSaving)
{
    const auto focus_out = [this] {
        GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
        event->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(entry))));
        event->focus_change.in = FALSE;
        gtk_widget_send_focus_change(GTK_WIDGET(entry), event);
        gdk_event_free(event);
    };
    SpeechDbPtr db = db_with(0, "EN");
    advanced_page_reload(db.get());
    focus_out();
    advanced_page_store_pending_edits();
    EXPECT_STREQ(db_language_code(db.get()), "EN");
    EXPECT_FALSE(db_is_modified(db.get())) << "an untouched entry is no edit";

    gtk_entry_set_text(entry, " it");
    focus_out();
    EXPECT_STREQ(db_language_code(db.get()), "IT");
    EXPECT_STREQ(gtk_entry_get_text(entry), "IT");
    EXPECT_TRUE(db_is_modified(db.get()));

    gtk_entry_set_text(entry, "fr");
    advanced_page_store_pending_edits();
    EXPECT_STREQ(db_language_code(db.get()), "FR");
    EXPECT_STREQ(gtk_entry_get_text(entry), "FR");
}
