// Reading a CSF image's phrase table: its count and the span of each
// phrase's references. The parser and the memory budget both read the
// table through these, so the budget counts exactly what the parser will
// build and refuse.
#pragma once

#include "db/csf_layout.h"

#include <cstdint>
#include <optional>
#include <span>

// The phrase count N, when the count and all N + 1 offset entries lie
// inside the image; nothing otherwise.
std::optional<std::uint32_t> csf_phrase_count(std::span<const std::uint8_t> image, const CsfLayout& layout);

// Where phrase `p`'s references lie and how many there are.
struct CsfPhraseSpan {
    std::uint64_t refs; // offset of the first reference in the image
    std::uint64_t count; // references; not checked against the image
};

// Phrase `p` (below the count csf_phrase_count gave) from offset entries
// p and p + 1. The span is their unsigned 32-bit difference, so entries
// that decrease wrap to a huge count; a modern span that is not a multiple
// of 4 still holds a last field, read while its offset is below the end,
// and so counts as one more reference.
CsfPhraseSpan csf_phrase_span(std::span<const std::uint8_t> image, const CsfLayout& layout, std::uint32_t p);
