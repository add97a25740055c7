// Going from one page to a row of another, through the shell's table of
// pages.
#include "ui/shell_navigation.h"

namespace {

struct Navigation {
    GtkNotebook* notebook = nullptr;
    std::span<const Page* const> pages;
};

Navigation navigation;

void go_to(PageId id, std::uint32_t row)
{
    for (std::size_t number = 0; number < navigation.pages.size(); ++number) {
        const Page* page = navigation.pages[number];
        if (page->id != id)
            continue;
        if (page->show_row)
            page->show_row(row);
        gtk_notebook_set_current_page(navigation.notebook, static_cast<int>(number));
        return;
    }
}

} // namespace

void shell_navigation_set(GtkNotebook* notebook, std::span<const Page* const> pages)
{
    navigation = { notebook, pages };
}

void shell_go_to_phrase(std::uint32_t phrase)
{
    go_to(PageId::Phrases, phrase);
}

void shell_go_to_word(std::uint32_t word)
{
    go_to(PageId::Words, word);
}

void shell_word_changed(std::uint32_t word)
{
    for (const Page* page : navigation.pages)
        if (page->word_changed)
            page->word_changed(word);
}

void shell_show_edit(const EditTarget& target)
{
    for (const Page* page : navigation.pages)
        page->refresh();
    // A word's alias may have come back or gone again.
    if (target.place == EditPlace::Word)
        shell_word_changed(target.number);
    const PageId id = target.place == EditPlace::Phrase ? PageId::Phrases
                      : target.place == EditPlace::Word ? PageId::Words
                                                        : PageId::Advanced;
    for (std::size_t number = 0; number < navigation.pages.size(); ++number) {
        const Page* page = navigation.pages[number];
        if (page->id != id)
            continue;
        if (page->show_edit)
            page->show_edit(target);
        gtk_notebook_set_current_page(navigation.notebook, static_cast<int>(number));
        return;
    }
}
