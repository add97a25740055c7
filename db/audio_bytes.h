// AudioBytes: a word's ADPCM bytes as a value that is cheap to copy.
//
// Copies share one read-only block of bytes, and the words of a loaded
// database are slices of the file's own bytes, so opening a file copies no
// audio at all and a word's saved audio costs nothing until the word is
// given new audio. Changing the bytes in place (`edit`) first gives the
// value a block of its own, so no other value ever sees the change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

// Bytes held in common; whoever keeps a reference keeps them alive.
using ByteBlock = std::shared_ptr<std::vector<std::uint8_t>>;

class AudioBytes {
public:
    AudioBytes() = default;
    // A value holding exactly these bytes.
    AudioBytes(std::vector<std::uint8_t> bytes);
    AudioBytes(std::initializer_list<std::uint8_t> bytes);

    // `size` bytes of `block` from `offset`, which must lie inside it.
    static AudioBytes slice(ByteBlock block, std::size_t offset, std::size_t size);

    const std::uint8_t* data() const;
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    const std::uint8_t* begin() const { return data(); }
    const std::uint8_t* end() const { return data() + size(); }
    std::uint8_t operator[](std::size_t i) const { return data()[i]; }
    // Throws std::out_of_range past the end, as std::vector::at does.
    std::uint8_t at(std::size_t i) const;
    std::span<const std::uint8_t> span() const { return {data(), size()}; }
    std::vector<std::uint8_t> to_vector() const { return {begin(), end()}; }

    // The bytes as a vector of this value's own, to change in place. The
    // reference stays valid until this value is next assigned; a copy made
    // before a change does not see it.
    std::vector<std::uint8_t>& edit();

    friend bool operator==(const AudioBytes& a, const AudioBytes& b);
    friend bool operator==(const AudioBytes& a, const std::vector<std::uint8_t>& b);

private:
    ByteBlock block_; // null when empty
    // A slice covers part of a block shared with others; a whole value
    // covers its block from start to end, whatever its size becomes.
    bool slice_ = false;
    std::size_t offset_ = 0;
    std::size_t size_ = 0;
};
