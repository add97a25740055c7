// Reserving large byte buffers (whole files, whole images) so that filling
// them costs as few page faults as the system allows, and giving back the
// parts of one that are no longer read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Reserves room for `size` bytes in the empty vector `buf`. Buffers of
// several megabytes are asked to be backed by huge pages where the kernel
// offers them, which turns thousands of page faults into a handful; the
// contents are unaffected either way.
void buffer_reserve_large(std::vector<std::uint8_t>* buf, std::size_t size);

// The parts copied together, in order, into one buffer of exactly their
// total size.
std::vector<std::uint8_t> buffer_join(std::span<const std::span<const std::uint8_t>> parts);

// Gives the memory of the whole pages inside `bytes` back to the system
// while the buffer that holds them stays allocated. Those pages read as
// zero afterwards (the partial pages at either end keep their bytes), so
// pass only bytes that nobody reads again.
void buffer_release_pages(std::span<const std::uint8_t> bytes);
