// Bounds-checked reads and plain writes of fixed-width integers in byte
// buffers. Every read names the buffer length and fails instead of reading
// past it, so parsers of untrusted files cannot step outside their input.
#pragma once

#include <cstddef>
#include <cstdint>

inline bool in_bounds(std::size_t len, std::uint64_t off, std::uint64_t width)
{
    return off <= len && width <= len - off;
}

inline bool read_u32be(const std::uint8_t* buf, std::size_t len, std::uint64_t off, std::uint32_t* out)
{
    if (!in_bounds(len, off, 4))
        return false;
    const std::uint8_t* p = buf + off;
    *out = (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
    return true;
}

inline bool read_u16be(const std::uint8_t* buf, std::size_t len, std::uint64_t off, std::uint32_t* out)
{
    if (!in_bounds(len, off, 2))
        return false;
    const std::uint8_t* p = buf + off;
    *out = (std::uint32_t(p[0]) << 8) | p[1];
    return true;
}

inline bool read_u32le(const std::uint8_t* buf, std::size_t len, std::uint64_t off, std::uint32_t* out)
{
    if (!in_bounds(len, off, 4))
        return false;
    const std::uint8_t* p = buf + off;
    *out = (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
    return true;
}

inline bool read_u16le(const std::uint8_t* buf, std::size_t len, std::uint64_t off, std::uint32_t* out)
{
    if (!in_bounds(len, off, 2))
        return false;
    const std::uint8_t* p = buf + off;
    *out = (std::uint32_t(p[1]) << 8) | p[0];
    return true;
}

inline void write_u32be(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

inline void write_u16be(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}

inline void write_u32le(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

inline void write_u16le(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
