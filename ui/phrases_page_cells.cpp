// How the Phrases page fills its cells and sizes its columns. The stores
// hold only numbers; every text and mark is read from the database here,
// when a cell is drawn.
//
// The phrase list's columns have fixed widths (measuring every row would
// take seconds for a large database), so the page sizes the "Words" and
// "Comment" columns itself: on reload and on the aliases switch from the
// longest texts of all phrases, after an edit from the edited phrase, never
// narrower than their starting widths and never shrinking between loads.
#include "ui/phrases_page_cells.h"

#include "db/operations.h"
#include "ui/gtk_ptr.h"
#include "ui/widgets.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

PhrasesPage page_state;
PhrasesPage& page = page_state;

// Widest the page makes a column by itself; longer texts end in an ellipsis.
constexpr int MAX_COLUMN_WIDTH = 2000;
constexpr std::size_t NUMBER_TEXT_SIZE = 256;

// Cuts `text` to at most `size` - 1 bytes without splitting a character.
void cut_text(std::string& text, std::size_t size)
{
    if (text.size() < size)
        return;
    std::size_t len = size - 1;
    while (len > 0 && (static_cast<unsigned char>(text[len]) & 0xC0) == 0x80)
        --len;
    text.resize(len);
}

int text_width(const std::string& text, GtkCellRenderer* cell)
{
    GtkWidget* view = GTK_WIDGET(page.w.phrase_list);
    PangoLayout* layout = gtk_widget_create_pango_layout(view, make_valid(text.c_str()).get());
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    g_object_unref(layout);
    guint xpad = 0;
    g_object_get(cell, "xpad", &xpad, nullptr);
    int separator = 0;
    gtk_widget_style_get(view, "horizontal-separator", &separator, nullptr);
    return width + 2 * static_cast<int>(xpad) + separator + 4;
}

void widen_column(
    GtkTreeViewColumn* column, GtkCellRenderer* cell, const std::string& text, int minimum, bool grow_only)
{
    int width = std::clamp(text_width(text, cell), minimum, MAX_COLUMN_WIDTH);
    if (grow_only)
        width = std::max(width, gtk_tree_view_column_get_fixed_width(column));
    if (width != gtk_tree_view_column_get_fixed_width(column))
        gtk_tree_view_column_set_fixed_width(column, width);
}

std::string comment_text(std::uint32_t phrase)
{
    const char* comment = page.db ? phrase_comment(page.db, phrase) : nullptr;
    return comment ? comment : "";
}

// Decimal digits of `n`.
std::size_t digit_count(std::uint64_t n)
{
    std::size_t digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

// The length in bytes of phrases_page_words_text() for `phrase`, counted
// without building the text; anything from the cell's limit up counts as
// the limit.
std::size_t words_text_length(const SpeechDb* db, std::uint32_t phrase, bool use_aliases)
{
    std::size_t length = 0;
    const std::uint32_t count = phrase_word_count(db, phrase);
    for (std::uint32_t i = 0; i < count && length < PHRASES_PAGE_TEXT_SIZE; ++i) {
        const char* alias = use_aliases ? phrase_word_alias(db, phrase, i) : nullptr;
        if (alias) {
            length += 1 + std::strlen(alias);
            continue;
        }
        const int n = phrase_word_number(db, phrase, i);
        if (n >= 0)
            length += 1 + digit_count(std::uint64_t(n) + 1);
    }
    return std::min(length, PHRASES_PAGE_TEXT_SIZE);
}

// Sizes both columns for the longest texts of all phrases (longest in
// bytes stands in for widest, so only two texts are measured). Up to
// 65,535 phrases are compared by length alone; only the longest one's text
// is built.
void fit_columns_to_all()
{
    const bool use_aliases = page.use_aliases;
    std::size_t words_length = 0;
    std::uint32_t words_phrase = 0;
    std::size_t comment_length = 0;
    const char* comment = "";
    const std::uint32_t count = page.db ? phrase_count(page.db) : 0;
    for (std::uint32_t p = 0; p < count; ++p) {
        const std::size_t length = words_text_length(page.db, p, use_aliases);
        if (length > words_length) {
            words_length = length;
            words_phrase = p;
        }
        const char* c = phrase_comment(page.db, p);
        if (c) {
            const std::size_t n = std::strlen(c);
            if (n > comment_length) {
                comment_length = n;
                comment = c;
            }
        }
    }
    const std::string words = words_length ? phrases_page_words_text(page.db, words_phrase, use_aliases) : "";
    widen_column(page.w.words_column, page.w.words_renderer, words, PHRASES_PAGE_WORDS_WIDTH, false);
    widen_column(page.w.comment_column, page.w.comment_renderer, comment, PHRASES_PAGE_COMMENT_WIDTH, false);
}

// After an edit of phrase p: its texts may have grown.
void fit_columns_to(std::uint32_t p)
{
    widen_column(page.w.words_column, page.w.words_renderer, phrases_page_words_text(page.db, p, page.use_aliases),
        PHRASES_PAGE_WORDS_WIDTH, true);
    widen_column(page.w.comment_column, page.w.comment_renderer, comment_text(p), PHRASES_PAGE_COMMENT_WIDTH, true);
}

} // namespace

PhrasesPage& phrases_page_state()
{
    return page_state;
}

void phrases_page_fit_columns(long long phrase)
{
    if (phrase < 0)
        fit_columns_to_all();
    else
        fit_columns_to(static_cast<std::uint32_t>(phrase));
}

void phrases_page_number_cell_data(
    GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    char text[NUMBER_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(row_value(model, iter)) + 1);
    g_object_set(cell, "text", text, nullptr);
}

void phrases_page_words_cell_data(
    GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    const std::string text
        = phrases_page_words_text(page.db, row_value(model, iter), page.use_aliases);
    set_cell_text(cell, text.c_str());
}

void phrases_page_comment_cell_data(
    GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    set_cell_text(cell, comment_text(row_value(model, iter)).c_str());
}

void phrases_page_changed_cell_data(
    GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    const gboolean changed = page.db && phrase_is_changed(page.db, row_value(model, iter));
    g_object_set(cell, "visible", changed, "active", changed, nullptr);
}

void phrases_page_word_cell_data(
    GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
{
    const int p = selected_row_value(page.w.phrase_list);
    const std::uint32_t pos = row_value(model, iter);
    std::string text;
    if (page.db && p >= 0) {
        const char* alias = page.use_aliases ? phrase_word_alias(page.db, p, pos) : nullptr;
        const int n = phrase_word_number(page.db, p, pos);
        if (alias)
            text = alias;
        else if (n >= 0)
            text = std::to_string(n + 1);
    }
    cut_text(text, PHRASES_PAGE_TEXT_SIZE);
    set_cell_text(cell, text.c_str());
}

std::string phrases_page_words_text(const SpeechDb* db, std::uint32_t phrase, bool use_aliases)
{
    std::string text;
    if (!db)
        return text;
    const std::uint32_t count = phrase_word_count(db, phrase);
    for (std::uint32_t i = 0; i < count && text.size() < PHRASES_PAGE_TEXT_SIZE; ++i) {
        const char* alias = use_aliases ? phrase_word_alias(db, phrase, i) : nullptr;
        if (alias) {
            text += ' ';
            text += alias;
            continue;
        }
        const int n = phrase_word_number(db, phrase, i);
        if (n < 0)
            continue;
        text += ' ';
        text += std::to_string(n + 1);
    }
    cut_text(text, PHRASES_PAGE_TEXT_SIZE);
    return text;
}
