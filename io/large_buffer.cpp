// Huge-page hints for large byte buffers.
#include "io/large_buffer.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

// The sanitizers bring their own allocators, which know nothing of the
// heap tuning below.
#if defined(__SANITIZE_ADDRESS__)
#define TEMBREL_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define TEMBREL_OWN_ALLOCATOR 1
#endif
#endif

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

void heap_prepare(std::size_t bytes)
{
#if defined(__GLIBC__) && !defined(TEMBREL_OWN_ALLOCATOR)
    if (bytes < LARGE || bytes > std::size_t(INT_MAX) || mallinfo2().keepcost >= bytes)
        return;
    // The next growth of the heap takes all of `bytes` at once. Small
    // probe blocks (served from the heap, never mapped on their own) are
    // taken until the heap has grown; the free space at its top bounds
    // how many that takes.
    constexpr std::size_t PROBE = 64 * 1024;
    constexpr int DEFAULT_TOP_PAD = 128 * 1024;
    mallopt(M_TOP_PAD, int(bytes));
    {
        auto* const before = static_cast<char*>(sbrk(0));
        std::vector<void*> probes;
        probes.reserve(bytes / PROBE + 2);
        while (static_cast<char*>(sbrk(0)) == before && probes.size() < bytes / PROBE + 2) {
            void* p = std::malloc(PROBE);
            if (!p)
                break;
            probes.push_back(p);
        }
        auto* const after = static_cast<char*>(sbrk(0));
        if (after > before) {
            const auto first = (reinterpret_cast<std::uintptr_t>(before) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
            const auto last = reinterpret_cast<std::uintptr_t>(after) & ~(HUGE_PAGE - 1);
            if (last > first)
                ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
        }
        // Freed while the padding is still large (the probe list too), the
        // blocks return to the top of the heap instead of to the system.
        for (void* p : probes)
            std::free(p);
    }
    mallopt(M_TOP_PAD, DEFAULT_TOP_PAD);
#else
    (void)bytes;
#endif
}
