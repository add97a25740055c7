// ItemList<T>: the growable array behind the phrase list and the word list.
// It grows linearly, by LIST_GROWTH slots at a time, never shrinks, and
// counts the unused slots after the last item in `spare`. A list of
// std::unique_ptr owns its entries: they go with the list, and taking one
// out hands it to the caller.
//
// An index at or past `count` is out of range: reads give null, edits do
// nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

constexpr std::uint32_t LIST_GROWTH = 1024;

template <typename T>
struct ItemList {
    std::uint32_t count = 0;
    std::uint32_t spare = LIST_GROWTH;
    std::vector<T> items = std::vector<T>(LIST_GROWTH); // count + spare slots
};

template <typename T>
std::uint32_t list_count(const ItemList<T>& list)
{
    return list.count;
}

// The items in order.
template <typename T>
std::span<T> list_items(ItemList<T>& list)
{
    return {list.items.data(), list.count};
}

template <typename T>
std::span<const T> list_items(const ItemList<T>& list)
{
    return {list.items.data(), list.count};
}

// The slot of the item at `index`, or null.
template <typename T>
T* list_get(ItemList<T>& list, std::uint32_t index)
{
    return index < list.count ? &list.items[index] : nullptr;
}

template <typename T>
const T* list_get(const ItemList<T>& list, std::uint32_t index)
{
    return index < list.count ? &list.items[index] : nullptr;
}

template <typename T>
void list_push(ItemList<T>& list, T item)
{
    if (list.spare == 0) {
        list.items.resize(std::size_t(list.count) + LIST_GROWTH);
        list.spare = LIST_GROWTH;
    }
    list.items[list.count] = std::move(item);
    list.count++;
    list.spare--;
}

// Puts `item` at `index` (up to `count`), moving the later items up by one.
template <typename T>
void list_insert_at(ItemList<T>& list, std::uint32_t index, T item)
{
    if (index > list.count)
        return;
    list_push(list, std::move(item));
    for (std::uint32_t i = list.count - 1; i > index; --i)
        std::swap(list.items[i], list.items[i - 1]);
}

// Takes the item at `index` out, moving the later items down by one; an
// empty T when out of range.
template <typename T>
T list_take_at(ItemList<T>& list, std::uint32_t index)
{
    if (index >= list.count)
        return T();
    T taken = std::move(list.items[index]);
    for (std::uint32_t i = index; i + 1 < list.count; ++i)
        list.items[i] = std::move(list.items[i + 1]);
    list.items[list.count - 1] = T();
    list.count--;
    list.spare++;
    return taken;
}

template <typename T>
void list_remove_at(ItemList<T>& list, std::uint32_t index)
{
    list_take_at(list, index);
}

template <typename T>
void list_swap(ItemList<T>& list, std::uint32_t a, std::uint32_t b)
{
    if (a < list.count && b < list.count)
        std::swap(list.items[a], list.items[b]);
}

// Reserves memory for `total` items without changing count or spare, so a
// loader that knows its final size avoids repeated copies of a long list.
template <typename T>
void list_reserve(ItemList<T>& list, std::uint32_t total)
{
    if (total > list.items.capacity())
        list.items.reserve(std::size_t(total) + LIST_GROWTH);
}
