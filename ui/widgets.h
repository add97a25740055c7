// Small widget builders and list helpers shared by the pages. Both pages
// show lists whose stores hold one unsigned number per row (row i holds i)
// and draw every text from the database through cell data functions.
#pragma once

#include "ui/gtk_ptr.h"

#include <cstdint>
#include <optional>
#include <gtk/gtk.h>
#include <string>

// `child` (a list) inside a borderless scrolled window whose bars appear
// only when needed.
GtkWidget* scrolled_list(GtkWidget* child);

// Texts from a project file are stored as they came, but the toolkit draws
// only valid UTF-8: a copy of `text` with anything invalid shown as
// replacement characters.
GCharPtr make_valid(const char* text);
// Sets a text cell's "text" to `text` made valid.
void set_cell_text(GtkCellRenderer* cell, const char* text);

// A one-column store of unsigned numbers holding 0 .. rows - 1.
GtkListStorePtr number_store_new(std::uint32_t rows);
// Grows or shrinks such a store at its end until it holds 0 .. rows - 1.
void number_store_set_rows(GtkListStore* store, std::uint32_t rows);

// The number row `iter` of a number store holds.
std::uint32_t row_value(GtkTreeModel* model, GtkTreeIter* iter);
// The number the selected row of `view` holds; none when nothing is
// selected.
std::optional<std::uint32_t> selected_row_value(GtkTreeView* view);

// Selects row `n` of `view`, scrolling it into sight when `scroll`; no `n`
// clears the selection. False, with nothing changed, when the view has no
// such row.
bool select_row(GtkTreeView* view, std::optional<std::uint32_t> n, bool scroll);
// Scrolls to row `n` of `view` and puts the cursor (and so the selection)
// on it in `column`. False when there is no such row.
bool set_cursor_row(GtkTreeView* view, std::uint32_t n, GtkTreeViewColumn* column);

// Appends a column titled `title` (centred) holding `cell`, aligned by
// `xalign` and filled by `fill`, which gets `data`. A positive `width` makes
// the column fixed at that width, or wider if its title needs more (in
// whatever font and language the title is shown).
GtkTreeViewColumn* add_list_column(GtkTreeView* view, const char* title, GtkCellRenderer* cell, float xalign,
    GtkTreeCellDataFunc fill, gpointer data, int width = 0);

// Gives every button inside `column` (a column of button boxes) the same
// width, that of the widest.
void share_button_width(GtkWidget* column);

// The header button of a column add_list_column() made.
GtkWidget* list_column_header(GtkTreeViewColumn* column);

// Makes `button` sensitive or not, with a tooltip saying what it does
// and, while it is insensitive, why (`why_not`) on a second line.
void set_button_state(GtkWidget* button, bool on, const char* does, const std::string& why_not);

// The hint a list without a database shows, and the reason its buttons
// give.
const char* no_database_hint();

// Shows `hint` centred in `view` while its list has no rows (the lists of
// a window without a database); null takes it away.
void list_set_hint(GtkTreeView* view, const char* hint);

// printf into a string (a translated format, a message for the status bar).
std::string printf_text(const char* format, ...) G_GNUC_PRINTF(1, 2);

// Tells the views of `view`'s model that the row at `row` (an index in the
// model) changed, so assistive technology reads its new texts: a redraw
// alone updates the screen, not what a screen reader has cached.
void row_texts_changed(GtkTreeView* view, std::uint32_t row);
// The same for every row. A list of rows of fixed height is only redrawn
// when no assistive technology is there to hear of the rows.
void all_row_texts_changed(GtkTreeView* view);

// Type-ahead search on a number list: typing digits selects the first row
// whose number, counted from 1, begins with them.
void enable_number_search(GtkTreeView* view);

// Runs the main loop until no event is pending.
void run_pending_events();
