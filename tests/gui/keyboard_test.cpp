// Keyboard use of the pages: every button and check box of a page has an
// underlined letter, no two controls of a page (or a page and the menu bar)
// share one, nor two items of a menu, in English and in German; Alt and the letter presses the
// control of the page in front and of no other page; Help > Keyboard
// Shortcuts lists those letters as the window has them.
#include "db/operations.h"
#include "shell_fixture.h"
#include "ui/phrases_page_view.h"
#include "ui/shell.h"
#include "ui/shortcuts_dialog.h"
#include "ui/words_page_view.h"

#include <algorithm>
#include <functional>
#include <gdk/gdkkeysyms.h>
#include <map>

namespace {

class KeyboardTest : public ShellTest {
protected:
    GtkNotebook* notebook() const { return GTK_NOTEBOOK(shell_notebook()); }
    GtkWidget* page(int n) const { return gtk_notebook_get_nth_page(notebook(), n); }
};

// The underlined letters of the labels under `root` (buttons, check boxes
// and the captions of entries), each with what its label says.
std::multimap<guint, std::string> mnemonics_under(GtkWidget* root)
{
    std::multimap<guint, std::string> found;
    for (GtkWidget* label : find_all(root, GTK_TYPE_LABEL)) {
        const guint key = gtk_label_get_mnemonic_keyval(GTK_LABEL(label));
        if (key != GDK_KEY_VoidSymbol)
            found.emplace(gdk_keyval_to_lower(key), gtk_label_get_text(GTK_LABEL(label)));
    }
    return found;
}

// Every page's controls have letters of their own: no letter twice on a
// page or on a page and the menu bar. The window is built in each language
// in turn, since translations bring their own letters.
TEST_F(KeyboardTest, EveryControlOfAPageHasALetterOfItsOwn)
{
    for (const bool german : { false, true }) {
        SCOPED_TRACE(german ? "German" : "English");
        std::unique_ptr<GermanTexts> texts;
        if (german) {
            shell_destroy_for_tests();
            texts = std::make_unique<GermanTexts>();
            shell_build();
        }
        const std::vector<GtkWidget*> bars = find_all(shell_main_window(), GTK_TYPE_MENU_BAR);
        ASSERT_EQ(bars.size(), 1u);
        const std::multimap<guint, std::string> menus = mnemonics_under(bars[0]);
        EXPECT_EQ(menus.size(), 3u);
        // Inside an open menu its items' letters choose them.
        for (GtkWidget* top : find_all(bars[0], GTK_TYPE_MENU_ITEM)) {
            SCOPED_TRACE(shown_label(top));
            std::map<guint, std::string> letters;
            GListPtr items(gtk_container_get_children(GTK_CONTAINER(gtk_menu_item_get_submenu(GTK_MENU_ITEM(top)))));
            for (GList* l = items.get(); l; l = l->next) {
                GtkWidget* item = GTK_WIDGET(l->data);
                if (GTK_IS_SEPARATOR_MENU_ITEM(item))
                    continue;
                const guint key = gdk_keyval_to_lower(mnemonic_key(item));
                EXPECT_NE(key, guint(GDK_KEY_VoidSymbol)) << shown_label(item);
                const auto [seen, added] = letters.emplace(key, shown_label(item));
                EXPECT_TRUE(added || key == GDK_KEY_VoidSymbol)
                    << shown_label(item) << " shares its letter with " << seen->second;
            }
            EXPECT_GE(letters.size(), 3u);
        }
        for (int n = 0; n < gtk_notebook_get_n_pages(notebook()); ++n) {
            SCOPED_TRACE(gtk_notebook_get_tab_label_text(notebook(), page(n)));
            std::size_t controls = 0;
            for (GtkWidget* button : find_all(page(n), GTK_TYPE_BUTTON)) {
                EXPECT_NE(mnemonic_key(button), guint(GDK_KEY_VoidSymbol)) << shown_label(button);
                ++controls;
            }
            EXPECT_GE(controls, 8u);
            std::multimap<guint, std::string> keys = mnemonics_under(page(n));
            keys.insert(menus.begin(), menus.end());
            for (auto it = keys.begin(); it != keys.end(); it = keys.upper_bound(it->first)) {
                std::string sharing;
                for (auto [k, end] = keys.equal_range(it->first); k != end; ++k)
                    sharing += " '" + k->second + "'";
                EXPECT_EQ(keys.count(it->first), 1u) << gdk_keyval_name(it->first) << " is shared by" << sharing;
            }
        }
    }
}

// Alt and a letter presses the control of the page in front, and does
// nothing for a page that is not shown.
TEST_F(KeyboardTest, AltAndTheLetterPressesTheControlOfThePageInFront)
{
    open_path(write_csf("voice.csf", 0x00));
    SpeechDb* db = shell_database();
    ASSERT_TRUE(db);
    const PhrasesPageWidgets& p = phrases_page_widgets();
    const WordsPageWidgets& w = words_page_widgets();
    // Phrase 1 speaks words 2, 1, 0.
    const struct {
        const char* what;
        int page;
        std::function<void()> select;
        GtkWidget* control;
        std::function<std::string()> state;
        std::string before;
        std::string after;
    } cases[] = {
        { "Move Down of the Phrases page", 0, [&] { select_row(p.phrase_list, 1), select_row(p.word_list, 0); },
            p.move_down,
            [&] { return std::to_string(phrase_word_number(db, 1, 0)) + std::to_string(phrase_word_number(db, 1, 1)); },
            "21", "12" },
        { "Use Aliases", 0, [] {}, p.use_aliases,
            [&] { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(p.use_aliases)) ? "on" : "off"; }, "on",
            "off" },
        { "Add of the Words page", 1, [&] { select_row(w.word_list, 0); }, w.add,
            [&] { return std::to_string(word_count(db)); }, "3", "4" },
        { "Bit 7 of the Advanced page", 2, [] {}, find_all(page(2), GTK_TYPE_CHECK_BUTTON).at(0),
            [] { return advanced_flags_text(); }, "00", "80" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const guint key = mnemonic_key(c.control);
        ASSERT_NE(key, guint(GDK_KEY_VoidSymbol));
        // Another page in front, whose controls do not use the letter: it
        // reaches nothing there. A button pressed by its letter shows
        // itself pressed for a moment before it acts, so the test waits.
        gtk_notebook_set_current_page(notebook(), c.page == 2 ? 0 : 2);
        pump_events();
        c.select();
        press_alt_key(shell_main_window(), key);
        pump_for(400);
        EXPECT_EQ(c.state(), c.before);
        gtk_notebook_set_current_page(notebook(), c.page);
        pump_events();
        c.select();
        press_alt_key(shell_main_window(), key);
        pump_until([&] { return c.state() != c.before; }, 2000);
        EXPECT_EQ(c.state(), c.after);
    }
}

// Ctrl+Page Down and Up change the page wherever the focus is, the lists
// (which bind those keys to their cursor) and the filters included.
TEST_F(KeyboardTest, CtrlPageDownAndUpChangeThePageFromEveryList)
{
    open_path(write_csf("voice.csf", 0x00));
    const PhrasesPageWidgets& p = phrases_page_widgets();
    const WordsPageWidgets& w = words_page_widgets();
    const struct {
        const char* what;
        int page;
        GtkWidget* focus;
    } cases[] = {
        { "phrases", 0, GTK_WIDGET(p.phrase_list) }, { "words in phrase", 0, GTK_WIDGET(p.word_list) },
        { "words", 1, GTK_WIDGET(w.word_list) }, { "phrases using word", 1, GTK_WIDGET(w.usage_list) },
        { "phrases filter", 0, p.filter.entry },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        gtk_notebook_set_current_page(notebook(), c.page);
        pump_events();
        gtk_widget_grab_focus(c.focus);
        // A list takes its cursor keys only while it really has the focus.
        window_focus(shell_main_window(), true);
        ASSERT_TRUE(gtk_widget_has_focus(c.focus));
        press_key(shell_main_window(), GDK_KEY_Page_Down, GDK_CONTROL_MASK);
        EXPECT_EQ(gtk_notebook_get_current_page(notebook()), c.page + 1);
        press_key(shell_main_window(), GDK_KEY_Page_Up, GDK_CONTROL_MASK);
        EXPECT_EQ(gtk_notebook_get_current_page(notebook()), c.page);
    }
}

// The shortcuts table names each page's letters as the controls show them,
// and the menus' letters; what it lists is what the window has.
TEST_F(KeyboardTest, ShortcutsTableListsTheLettersOfEveryPage)
{
    std::vector<Shortcut> letters;
    for (const Shortcut& s : shortcuts_of(GTK_WINDOW(shell_main_window())))
        if (s.mnemonic)
            letters.push_back(s);
    auto listed = [&letters](const std::string& action, guint key) {
        return std::count_if(letters.begin(), letters.end(), [&](const Shortcut& s) {
            return s.action == action && s.key == key && s.mods == GDK_MOD1_MASK;
        });
    };
    const PhrasesPageWidgets& p = phrases_page_widgets();
    const WordsPageWidgets& w = words_page_widgets();
    const struct {
        const char* action;
        GtkWidget* control;
    } expected[] = {
        { "Phrases > Move Down", p.move_down },
        { "Phrases > Use Aliases", p.use_aliases },
        { "Words > Export WAV…", w.save },
        { "Words > Play Phrase", w.play_phrase },
        { "Advanced > Bit 7", find_all(page(2), GTK_TYPE_CHECK_BUTTON).at(0) },
    };
    for (const auto& e : expected)
        EXPECT_EQ(listed(e.action, mnemonic_key(e.control)), 1) << e.action;
    EXPECT_EQ(listed("Phrases > Filter", gdk_keyval_from_name("i")), 1);
    EXPECT_EQ(listed("Open the File menu", GDK_KEY_f), 1);
    // One row per underlined letter of the window, no more.
    std::size_t in_window = mnemonics_under(shell_main_window()).size();
    EXPECT_EQ(letters.size(), in_window);
    for (const Shortcut& s : letters) {
        GCharPtr keys(gtk_accelerator_get_label(s.key, GDK_MOD1_MASK));
        EXPECT_EQ(s.keys, keys.get()) << s.action;
    }
}

} // namespace
