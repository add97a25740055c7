// The rows of a filterable list and the store that holds them.
#include "ui/list_rows.h"

#include <algorithm>

std::uint32_t list_rows_count(const ListRows& rows)
{
    return rows.shown ? std::uint32_t(rows.shown->size()) : rows.total;
}

std::optional<std::uint32_t> list_rows_find(const ListRows& rows, std::uint32_t number)
{
    if (!rows.shown)
        return number < rows.total ? std::optional<std::uint32_t>(number) : std::nullopt;
    const auto it = std::lower_bound(rows.shown->begin(), rows.shown->end(), number);
    if (it == rows.shown->end() || *it != number)
        return std::nullopt;
    return std::uint32_t(it - rows.shown->begin());
}

NumberListPtr list_rows_model(const ListRows& rows)
{
    return rows.shown ? number_list_new(*rows.shown) : number_list_new_range(rows.total);
}
