// The linear-growth list shared by the database model.
#include "db/item_list.h"

#include <algorithm>

ItemListPtr list_new()
{
    auto list = std::make_unique<ItemList>();
    list->spare = LIST_GROWTH;
    list->items.assign(LIST_GROWTH, 0);
    return list;
}

ItemListPtr list_new_sized(std::uint32_t count)
{
    auto list = std::make_unique<ItemList>();
    const std::size_t blocks = std::max<std::size_t>(1, (std::size_t(count) + LIST_GROWTH - 1) / LIST_GROWTH);
    list->items.assign(blocks * LIST_GROWTH, 0);
    list->count = count;
    list->spare = std::uint32_t(blocks * LIST_GROWTH - count);
    return list;
}

void list_free(ItemListPtr& list)
{
    list.reset();
}

void list_push(ItemList* list, ListItem item)
{
    if (list->spare == 0) {
        list->items.resize(std::size_t(list->count) + LIST_GROWTH, 0);
        list->spare = LIST_GROWTH;
    }
    list->items[list->count] = item;
    list->count++;
    list->spare--;
}

ListItem list_get(const ItemList* list, std::uint32_t index)
{
    if (!list || index >= list->count)
        return 0;
    return list->items[index];
}

void list_set(ItemList* list, std::uint32_t index, ListItem item)
{
    if (list && index < list->count)
        list->items[index] = item;
}

std::uint32_t list_count(const ItemList* list)
{
    return list ? list->count : 0;
}

void list_remove_at(ItemList* list, std::uint32_t index)
{
    if (!list || index >= list->count)
        return;
    for (std::uint32_t i = index; i + 1 < list->count; ++i)
        list->items[i] = list->items[i + 1];
    list->items[list->count - 1] = 0;
    list->count--;
    list->spare++;
}

void list_reserve(ItemList* list, std::uint32_t total)
{
    if (list && total > list->items.capacity())
        list->items.reserve(total + LIST_GROWTH);
}
