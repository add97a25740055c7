// Sharing and unsharing the blocks behind AudioBytes.
#include "db/audio_bytes.h"

#include <algorithm>
#include <stdexcept>

AudioBytes::AudioBytes(std::vector<std::uint8_t> bytes)
{
    if (!bytes.empty())
        block_ = std::make_shared<std::vector<std::uint8_t>>(std::move(bytes));
}

AudioBytes::AudioBytes(std::initializer_list<std::uint8_t> bytes)
    : AudioBytes(std::vector<std::uint8_t>(bytes))
{
}

AudioBytes AudioBytes::slice(ByteBlock block, std::size_t offset, std::size_t size)
{
    AudioBytes out;
    if (size == 0 || !block || offset > block->size() || size > block->size() - offset)
        return out;
    out.block_ = std::move(block);
    out.slice_ = true;
    out.offset_ = offset;
    out.size_ = size;
    return out;
}

const std::uint8_t* AudioBytes::data() const
{
    return block_ ? block_->data() + offset_ : nullptr;
}

std::size_t AudioBytes::size() const
{
    return !block_ ? 0 : slice_ ? size_ : block_->size();
}

std::uint8_t AudioBytes::at(std::size_t i) const
{
    if (i >= size())
        throw std::out_of_range("AudioBytes::at");
    return data()[i];
}

std::vector<std::uint8_t>& AudioBytes::edit()
{
    // Only a whole block nobody else holds may change under its holders.
    if (!block_ || slice_ || block_.use_count() > 1) {
        block_ = std::make_shared<std::vector<std::uint8_t>>(begin(), end());
        slice_ = false;
        offset_ = 0;
        size_ = 0;
    }
    return *block_;
}

bool operator==(const AudioBytes& a, const AudioBytes& b)
{
    if (a.data() == b.data() && a.size() == b.size())
        return true;
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

bool operator==(const AudioBytes& a, const std::vector<std::uint8_t>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}
