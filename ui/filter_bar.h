// The filter row above a page's main list: a labelled entry and the count
// of rows shown. Escape in the entry empties it; the page connects to the
// entry's "changed" and filters its list.
#pragma once

#include <cstdint>
#include <gtk/gtk.h>

struct FilterBar {
    GtkWidget* box = nullptr;
    GtkWidget* entry = nullptr;
    GtkWidget* count = nullptr;
};

// `label` carries the mnemonic; `name` is what assistive technology calls
// the entry; `tooltip` explains what may be typed.
FilterBar filter_bar_new(const char* label, const char* name, const char* tooltip);

// Shows the count: `filtered_format` ("%s of %s phrases", its plural form
// already chosen for `total`) takes the shown and the total number, and
// `all_format` ("%s phrases") the total alone; numbers have their digits
// grouped.
void filter_bar_show_count(const FilterBar& bar, const char* all_format, const char* filtered_format,
    std::uint32_t shown, std::uint32_t total, bool filtered);

// Empties the entry without emitting "changed" (a reload starts unfiltered).
void filter_bar_clear_quietly(const FilterBar& bar, GCallback changed_handler, gpointer data);
