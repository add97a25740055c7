// AudioBytes: a word's ADPCM bytes as an immutable value that is cheap to
// copy.
//
// Copies share one read-only block of bytes, and the words of a loaded
// database are slices of the file's own bytes, so opening a file copies no
// audio at all and a word's saved audio costs nothing until the word is
// given new audio. New audio is always a new value (assigned from a vector),
// so no change ever reaches another word, the saved audio or the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

// Bytes held in common; whoever keeps a reference keeps them alive.
using ByteBlock = std::shared_ptr<const std::vector<std::uint8_t>>;

// A block holding a copy of `size` bytes from `data`.
ByteBlock byte_block_copy(const std::uint8_t* data, std::size_t size);

class AudioBytes {
public:
    AudioBytes() = default;
    // A value holding exactly these bytes.
    AudioBytes(std::vector<std::uint8_t> bytes);
    AudioBytes(std::initializer_list<std::uint8_t> bytes);

    // `size` bytes of `block` from `offset`; empty unless they lie inside it.
    static AudioBytes slice(ByteBlock block, std::size_t offset, std::size_t size);

    const std::uint8_t* data() const { return block_ ? block_->data() + offset_ : nullptr; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::uint8_t* begin() const { return data(); }
    const std::uint8_t* end() const { return data() + size_; }
    std::uint8_t operator[](std::size_t i) const { return data()[i]; }
    // Throws std::out_of_range past the end, as std::vector::at does.
    std::uint8_t at(std::size_t i) const;
    std::span<const std::uint8_t> span() const { return {data(), size_}; }
    std::vector<std::uint8_t> to_vector() const { return {begin(), end()}; }

    friend bool operator==(const AudioBytes& a, const AudioBytes& b);
    friend bool operator==(const AudioBytes& a, const std::vector<std::uint8_t>& b);

private:
    ByteBlock block_; // null when empty
    std::size_t offset_ = 0;
    std::size_t size_ = 0;
};
