// The one reader of a CSF phrase table's count and offset entries.
#include "db/csf_phrase_table.h"

#include "io/bytes.h"

std::optional<std::uint32_t> csf_phrase_count(std::span<const std::uint8_t> image, const CsfLayout& layout)
{
    const std::uint64_t t = layout.header_size;
    const std::uint32_t cw = layout.count_width;
    std::uint32_t n = 0;
    if (!read_be(image.data(), image.size(), t, cw, &n)
        || !in_bounds(image.size(), t + cw, cw * (std::uint64_t(n) + 1)))
        return std::nullopt;
    return n;
}

CsfPhraseSpan csf_phrase_span(std::span<const std::uint8_t> image, const CsfLayout& layout, std::uint32_t p)
{
    const std::uint64_t entries = std::uint64_t(layout.header_size) + layout.count_width;
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    read_be(image.data(), image.size(), entries + std::uint64_t(layout.count_width) * p, layout.count_width, &start);
    read_be(image.data(), image.size(), entries + std::uint64_t(layout.count_width) * (std::uint64_t(p) + 1),
        layout.count_width, &end);
    const std::uint64_t span = std::uint32_t(end - start);
    return { layout.header_size + std::uint64_t(start), (span + layout.ref_width - 1) / layout.ref_width };
}
