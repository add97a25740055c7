// Reserving large byte buffers (whole files, whole images) so that filling
// them costs as few page faults as the system allows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Reserves room for `size` bytes in the empty vector `buf`. Buffers of
// several megabytes are asked to be backed by huge pages where the kernel
// offers them, which turns thousands of page faults into a handful; the
// contents are unaffected either way.
void buffer_reserve_large(std::vector<std::uint8_t>* buf, std::size_t size);

// Many heap blocks adding up to about `bytes` are about to be allocated and
// kept (a loader copying every word's audio). Grows the heap by that much
// in one step and asks for huge pages on the new part, so filling it costs
// a handful of page faults instead of one per 4 KiB. Only a hint: it does
// nothing for small amounts, under the sanitizers, or off glibc.
void heap_prepare(std::size_t bytes);
