// A list model of unsigned numbers, one column (G_TYPE_UINT), for the
// pages' long lists. A GtkListStore allocates a node per row, which for
// 65,535 phrases takes tens of milliseconds: too slow to build anew on
// every keystroke of a filter. This model holds the numbers in one vector,
// or no vector at all for the rows 0 .. n - 1, so building it costs no
// more than copying the filter's result.
#pragma once

#include "ui/gtk_ptr.h"

#include <cstdint>
#include <gtk/gtk.h>
#include <vector>

using NumberListPtr = GObjectPtr<GtkTreeModel>;

// Rows 0 .. count - 1, each holding its own index.
NumberListPtr number_list_new_range(std::uint32_t count);
// One row per entry of `numbers`, in order.
NumberListPtr number_list_new(std::vector<std::uint32_t> numbers);

bool number_list_is(GtkTreeModel* model);
// For a range model: grows or shrinks it at its end to `count` rows,
// telling the views row by row. Nothing for any other model.
void number_list_set_count(GtkTreeModel* model, std::uint32_t count);
