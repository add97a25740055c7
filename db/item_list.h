// ItemList: the growable array behind the phrase list, the word list and
// each word's usage list. It grows linearly, by LIST_GROWTH slots at a time,
// never shrinks, and counts the unused slots in `spare`.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

constexpr std::uint32_t LIST_GROWTH = 1024;

// An item is either a pointer (phrase and word lists) or a plain unsigned
// number (usage lists); both fit a pointer-sized slot.
using ListItem = std::uintptr_t;

struct ItemList {
    std::uint32_t count = 0;
    std::uint32_t spare = 0;
    std::vector<ListItem> items; // count + spare slots
};

using ItemListPtr = std::unique_ptr<ItemList>;

ItemListPtr list_new();
// A list of `count` zero items laid out as if they had been pushed one by
// one onto a new list (whole blocks of LIST_GROWTH slots, the rest spare),
// for a caller that fills the slots directly.
ItemListPtr list_new_sized(std::uint32_t count);
void list_free(ItemListPtr& list);
void list_push(ItemList* list, ListItem item);
ListItem list_get(const ItemList* list, std::uint32_t index);
void list_set(ItemList* list, std::uint32_t index, ListItem item);
std::uint32_t list_count(const ItemList* list);
void list_remove_at(ItemList* list, std::uint32_t index);

// Reserves memory for `total` items without changing count or spare, so a
// loader that knows its final size avoids repeated copies of a long list.
void list_reserve(ItemList* list, std::uint32_t total);

template <typename T>
T* list_get_ptr(const ItemList* list, std::uint32_t index)
{
    return reinterpret_cast<T*>(list_get(list, index));
}

template <typename T>
void list_push_ptr(ItemList* list, T* item)
{
    list_push(list, reinterpret_cast<ListItem>(item));
}
