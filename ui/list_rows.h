// The rows a filterable list shows: every number from 0 to the total, or,
// while a filter is on, only the numbers that match it (ascending). A row
// always holds the number of the phrase or word it shows, so what acts on
// a row (edits, plays, the cell texts) never needs to know about the
// filter; only going to a number has to find its row.
#pragma once

#include "ui/number_list.h"

#include <cstdint>
#include <optional>
#include <vector>

struct ListRows {
    std::uint32_t total = 0;
    // None: all of 0 .. total - 1.
    std::optional<std::vector<std::uint32_t>> shown;
};

std::uint32_t list_rows_count(const ListRows& rows);
// The row that shows `number`; none when the filter hides it or there is
// no such number.
std::optional<std::uint32_t> list_rows_find(const ListRows& rows, std::uint32_t number);
// A model holding the rows, for the list.
NumberListPtr list_rows_model(const ListRows& rows);
