// Huge-page hints for large byte buffers.
#include "io/large_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::size_t HUGE_PAGE = std::size_t(2) << 20;
// Below this the hint would cover too little of the buffer to matter.
constexpr std::size_t LARGE = 4 * HUGE_PAGE;

} // namespace

void buffer_reserve_large(std::vector<std::uint8_t>* buf, std::size_t size)
{
    buf->reserve(size);
    if (size < LARGE)
        return;
    // Only whole huge pages inside the allocation may be advised.
    const auto start = reinterpret_cast<std::uintptr_t>(buf->data());
    const std::uintptr_t first = (start + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const std::uintptr_t last = (start + buf->capacity()) & ~(HUGE_PAGE - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

std::vector<std::uint8_t> buffer_join(std::span<const std::span<const std::uint8_t>> parts)
{
    std::size_t total = 0;
    for (const auto& part : parts)
        total += part.size();
    std::vector<std::uint8_t> out;
    buffer_reserve_large(&out, total);
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

void buffer_release_pages(std::span<const std::uint8_t> bytes)
{
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
    const std::uintptr_t first = (start + page - 1) & ~(page - 1);
    const std::uintptr_t last = (start + bytes.size()) & ~(page - 1);
    // Private anonymous memory, as every heap block is: the pages are
    // dropped now and come back zero-filled if touched, which leaves the
    // allocator's own records (outside the block's bytes) alone.
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}
