// Fixture for GUI tests that need the whole main window: builds it fresh
// for each test, with a temporary folder for the files the test opens and
// saves, and helpers to reach the File menu and open files through it.
#pragma once

#include "gui_test_util.h"
#include "tests/unit/test_db.h"
#include "ui/shell_navigation.h"
#include "ui/test_hooks.h"

#include <string>
#include <vector>

// A recovery folder of the test's own: XDG_STATE_HOME points at a fresh
// folder for as long as this lives.
struct PrivateStateHome {
    TempDir dir;
    std::string old;
    bool had = false;
    PrivateStateHome()
    {
        const char* value = g_getenv("XDG_STATE_HOME");
        had = value != nullptr;
        old = value ? value : "";
        g_setenv("XDG_STATE_HOME", dir.path.c_str(), TRUE);
    }
    ~PrivateStateHome()
    {
        if (had)
            g_setenv("XDG_STATE_HOME", old.c_str(), TRUE);
        else
            g_unsetenv("XDG_STATE_HOME");
    }
};

class ShellTest : public GuiTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a small CSF file (modern variant) into the temporary folder.
    std::string write_csf(
        const std::string& name, int flags = 0xA5, const char* language = "DE", DbFormat format = DB_FORMAT_MODERN);
    // File > Open, choosing `path` in the Load chooser.
    void open_path(const std::string& path);
    // File > Open over a modified database: answers No, then chooses `path`.
    void open_path_answering_no(const std::string& path);

    TempDir dir;
};

// The window with a database of the test's own (from shown_db()) shown on
// the Phrases and Words pages, as the shell shows an opened file.
class ShownDbTest : public ShellTest {
protected:
    void SetUp() override;
    void TearDown() override;
    virtual SpeechDbPtr shown_db() = 0;

    SpeechDbPtr db;
    const PhrasesPageWidgets* p = nullptr;
    const WordsPageWidgets* w = nullptr;
};

// The window as the layout and empty-state tests look at it: its four
// lists with the page each is on, shown one page at a time, with or
// without a database of the test's own.
class WindowTest : public ShellTest {
protected:
    struct ListOnPage {
        const char* name;
        GtkTreeView* view;
        int page;
        bool main; // the page's own list, not the one that follows its selection
    };

    void SetUp() override;
    // Shows `shown` on the Phrases and Words pages, as the shell shows an
    // opened file; the window keeps it until the test ends.
    void show(SpeechDbPtr shown);
    // Makes `page` current and handles what that draws.
    static void show_page(int page);
    std::vector<ListOnPage> lists() const;
    std::vector<ListOnPage> main_lists() const;

    SpeechDbPtr db;
    const PhrasesPageWidgets* p = nullptr;
    const WordsPageWidgets* w = nullptr;
};

// The File menu's items in order and activating one as a click would.
enum FileItem {
    FILE_OPEN,
    FILE_OPEN_RECENT,
    FILE_SAVE,
    FILE_SAVE_PROJECT_AS,
    FILE_SAVE_AUDIO,
    FILE_SEPARATOR_1,
    FILE_IMPORT_WORDS,
    FILE_EXPORT_WORDS,
    FILE_SEPARATOR_2,
    FILE_QUIT,
    FILE_ITEMS,
};
std::vector<GtkWidget*> file_menu_items();
void activate_item(int index);
std::string menu_item_label(GtkWidget* item);
std::string menu_item_image_stock(GtkWidget* item);

// The text of the Advanced page's flags label.
std::string advanced_flags_text();

// A visible dialog window, or null.
GtkWidget* find_new_toplevel_dialog();
