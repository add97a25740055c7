// Reserving large byte buffers (whole files, whole images) so that filling
// them costs as few page faults as the system allows.
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
