// The editor in German: with LANGUAGE=de (and a locale that lets gettext
// honour it) the menus, tabs, buttons and questions are German; back in the
// default locale every text is the English one again.
#include "io/i18n.h"
#include "db/operations.h"
#include "shell_fixture.h"
#include "ui/edit_menu.h"
#include "ui/shell.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {

std::vector<std::string> menu_bar_labels()
{
    std::vector<GtkWidget*> bars = find_all(shell_main_window(), GTK_TYPE_MENU_BAR);
    std::vector<std::string> labels;
    for (GtkWidget* item : find_all(bars.at(0), GTK_TYPE_MENU_ITEM))
        labels.push_back(menu_item_label(item));
    return labels;
}

std::vector<std::string> tab_labels()
{
    GtkNotebook* nb = GTK_NOTEBOOK(shell_notebook());
    std::vector<std::string> labels;
    for (int i = 0; i < gtk_notebook_get_n_pages(nb); ++i)
        labels.push_back(gtk_notebook_get_tab_label_text(nb, gtk_notebook_get_nth_page(nb, i)));
    return labels;
}

// The labels of every button of the window, in packing order.
std::vector<std::string> button_labels()
{
    std::vector<std::string> labels;
    for (GtkWidget* b : find_all(shell_main_window(), GTK_TYPE_BUTTON))
        if (gtk_button_get_label(GTK_BUTTON(b)))
            labels.push_back(shown_label(b));
    return labels;
}

} // namespace

TEST_F(ShellTest, LanguageDeShowsGermanMenusTabsButtonsAndQuestions)
{
    using Labels = std::vector<std::string>;
    const std::string csf = write_csf("voice.csf");
    const Labels english_buttons = button_labels();
    shell_destroy_for_tests();
    {
        GermanTexts german;
        shell_build();
        EXPECT_EQ(menu_bar_labels(), (Labels { "_Datei", "_Bearbeiten", "_Hilfe" }));
        std::vector<GtkWidget*> items = file_menu_items();
        ASSERT_EQ(items.size(), std::size_t(FILE_ITEMS));
        EXPECT_EQ(menu_item_label(items[FILE_OPEN_RECENT]), "_Zuletzt geöffnet");
        EXPECT_EQ(menu_item_label(items[FILE_SAVE_PROJECT_AS]), "Projekt speichern _unter…");
        EXPECT_EQ(menu_item_label(items[FILE_SAVE_AUDIO]), "_Audio speichern");
        EXPECT_EQ(menu_item_label(items[FILE_IMPORT_WORDS]), "Wörter _importieren…");
        EXPECT_EQ(tab_labels(), (Labels { "Phrasen", "Wörter", "Erweitert" }));
        const Labels buttons = button_labels();
        ASSERT_EQ(buttons.size(), english_buttons.size());
        for (const char* german : { "Phrase abspielen", "Zum Wort", "Wort entfernen", "Ersetzen", "Zur Phrase" })
            EXPECT_NE(std::find(buttons.begin(), buttons.end(), german), buttons.end()) << german;

        ASSERT_TRUE(shell_open_file(csf.c_str()));
        // Texts made below the window (step labels, format names) are German too.
        word_set_alias(shell_database(), 2, "links");
        EXPECT_EQ(shown_label(edit_menu_undo_item()), "Rückgängig: Alias von Wort 3 ändern");
        db_set_flags(shell_database(), 0x01);
        EXPECT_EQ(shown_label(edit_menu_undo_item()), "Rückgängig: Flags ändern");
        const std::vector<GtkWidget*> labels = find_all(shell_main_window(), GTK_TYPE_LABEL);
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](GtkWidget* l) {
            return std::string(gtk_label_get_text(GTK_LABEL(l))).rfind("Alt (Mk2", 0) == 0
                || std::string(gtk_label_get_text(GTK_LABEL(l))).rfind("Modern (Mk3-", 0) == 0;
        }));
        queue_answer(answer_response(GTK_RESPONSE_CANCEL));
        activate_item(FILE_OPEN);
        ASSERT_EQ(seen_dialogs().size(), 1u);
        EXPECT_EQ(seen_dialogs()[0].title, "Speichern");
        EXPECT_NE(seen_dialogs()[0].text.find("Projekt nicht gespeichert\nVor dem Laden einer neuen Datei speichern?"),
            std::string::npos)
            << seen_dialogs()[0].text;
        // A load failure found deep in the file reader reads German too.
        const std::string truncated = dir.file("cut.csf");
        std::FILE* f = std::fopen(truncated.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("RIFF", f);
        std::fclose(f);
        queue_answer(answer_response(GTK_RESPONSE_CLOSE));
        EXPECT_FALSE(shell_open_file(truncated.c_str()));
        ASSERT_EQ(seen_dialogs().size(), 2u);
        EXPECT_NE(seen_dialogs()[1].text.find("Unbekanntes Dateiformat"), std::string::npos) << seen_dialogs()[1].text;
        shell_destroy_for_tests();
    }
    // The default is English again, text for text.
    shell_build();
    EXPECT_EQ(menu_bar_labels(), (Labels { "_File", "_Edit", "_Help" }));
    EXPECT_EQ(tab_labels(), (Labels { "Phrases", "Words", "Advanced" }));
    EXPECT_EQ(button_labels(), english_buttons);
}
