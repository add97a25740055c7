// Building and comparing the shared values behind AudioBytes.
#include "db/audio_bytes.h"

#include <algorithm>
#include <stdexcept>

ByteBlock byte_block_copy(const std::uint8_t* data, std::size_t size)
{
    auto block = std::make_shared<std::vector<std::uint8_t>>();
    if (size > 0)
        block->assign(data, data + size);
    return block;
}

AudioBytes::AudioBytes(std::vector<std::uint8_t> bytes)
{
    size_ = bytes.size();
    if (size_ > 0)
        block_ = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
}

AudioBytes::AudioBytes(std::initializer_list<std::uint8_t> bytes)
    : AudioBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()))
{
}

AudioBytes AudioBytes::slice(ByteBlock block, std::size_t offset, std::size_t size)
{
    AudioBytes out;
    if (size == 0 || !block || offset > block->size() || size > block->size() - offset)
        return out;
    out.block_ = std::move(block);
    out.offset_ = offset;
    out.size_ = size;
    return out;
}

std::uint8_t AudioBytes::at(std::size_t i) const
{
    if (i >= size_)
        throw std::out_of_range("AudioBytes::at");
    return data()[i];
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
