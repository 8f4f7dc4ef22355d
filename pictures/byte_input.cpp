#include "pictures/byte_input.h"

#include <algorithm>

namespace palshift {

std::size_t MemoryInput::read(std::span<std::uint8_t> into)
{
    const std::size_t count = std::min(into.size(), bytes_.size() - next_);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(next_), count, into.begin());
    next_ += count;
    return count;
}

}  // namespace palshift
