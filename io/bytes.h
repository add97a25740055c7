// Bounds-checked reads and plain writes of fixed-width integers in byte
// buffers. Every read names the buffer length and fails instead of reading
// past it, so parsers of untrusted files cannot step outside their input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

// A big-endian field of 1, 2 or 4 bytes, for tables whose width depends
// on the file's variant.
inline bool read_be(const std::uint8_t* buf, std::size_t len, std::uint64_t off, std::uint32_t width,
                    std::uint32_t* out)
{
    if (width == 1) {
        if (!in_bounds(len, off, 1))
            return false;
        *out = buf[off];
        return true;
    }
    return width == 2 ? read_u16be(buf, len, off, out) : read_u32be(buf, len, off, out);
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

inline void write_be(std::uint8_t* p, std::uint32_t width, std::uint32_t v)
{
    if (width == 1)
        *p = std::uint8_t(v);
    else if (width == 2)
        write_u16be(p, v);
    else
        write_u32be(p, v);
}

// Appends a big-endian field of 1, 2 or 4 bytes to a growing buffer.
inline void append_be(std::vector<std::uint8_t>* out, std::uint32_t width, std::uint32_t v)
{
    const std::size_t at = out->size();
    out->resize(at + width);
    write_be(out->data() + at, width, v);
}
