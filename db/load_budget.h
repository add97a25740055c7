// The memory a CSF image may take once loaded, judged from its tables
// before any entry is built.
//
// Every word and phrase costs a fixed amount of memory however little of
// the file it takes (an empty word is four bytes of its offset table), so
// a file of millions of empty entries would need dozens of times its size.
// A load, and the save or listing that may follow it, is allowed at most
// LOAD_BUDGET_FACTOR times the image plus LOAD_BUDGET_EXTRA beyond the
// file's own bytes, which it keeps: together at most eight times the input
// plus a fixed amount. Real databases stay far below it; only files made of
// huge numbers of (nearly) empty entries are refused.
#pragma once

#include "db/csf_layout.h"

#include <cstddef>
#include <cstdint>

constexpr std::uint64_t LOAD_BUDGET_FACTOR = 7;
constexpr std::uint64_t LOAD_BUDGET_EXTRA = std::uint64_t(48) << 20;

// What the image's `words` words and its phrases cost: the entries, their
// slots in the lists, every reference held twice (the current and the
// loaded list) and the writer's tables. Phrase-table entries that the
// parser will refuse are counted as the most a phrase may hold.
std::uint64_t csf_load_cost(const std::uint8_t* image, std::size_t size, const CsfLayout& layout,
                            std::uint32_t words);

// True when that cost fits the budget for an image of `size` bytes.
bool csf_load_fits(std::uint64_t cost, std::size_t size);
