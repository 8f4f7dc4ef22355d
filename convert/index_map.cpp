#include "convert/index_map.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace palshift {

void IndexMap::redim(std::int32_t lastX, std::int32_t lastY)
{
    if (lastX < -1 || lastY < -1)
        throw std::out_of_range("an index map cannot have an upper bound below -1");
    const std::int32_t width = lastX + 1;
    const std::int32_t height = lastY + 1;
    if (width == width_ && height == height_) {
        // Same size (a resize or a picture like the last): the memory is already the map's.
        std::fill(elements_.begin(), elements_.end(), std::int16_t{0});
        return;
    }
    // Release the old elements first so that a large map is never held twice; should the new ones
    // not fit in memory, the map is left empty rather than with bounds its elements do not cover.
    elements_ = {};
    width_ = 0;
    height_ = 0;
    elements_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    width_ = width;
    height_ = height;
}

void IndexMap::checkCovers(std::int32_t columns, std::int32_t rows) const
{
    if (columns > 0 && rows > 0 && (columns > width_ || rows > height_))
        throw std::out_of_range("the picture is " + std::to_string(columns) + " x " + std::to_string(rows)
                                + " pixels but the index map is only " + std::to_string(width_) + " x "
                                + std::to_string(height_));
}

std::int16_t IndexMap::at(std::int32_t x, std::int32_t y) const
{
    return elements_[offset(x, y)];
}

void IndexMap::set(std::int32_t x, std::int32_t y, std::int16_t value)
{
    elements_[offset(x, y)] = value;
}

std::span<std::int16_t> IndexMap::row(std::int32_t y)
{
    const std::span<const std::int16_t> elements = std::as_const(*this).row(y);
    return {const_cast<std::int16_t*>(elements.data()), elements.size()};
}

std::span<const std::int16_t> IndexMap::row(std::int32_t y) const
{
    checkRow(y);
    return {elements_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_),
            static_cast<std::size_t>(width_)};
}

std::size_t IndexMap::offset(std::int32_t x, std::int32_t y) const
{
    if (x < 0 || x >= width_ || y < 0 || y >= height_)
        throw std::out_of_range("index map element (" + std::to_string(x) + ", " + std::to_string(y)
                                + ") is outside " + std::to_string(width_) + " x "
                                + std::to_string(height_));
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
}

void IndexMap::checkRow(std::int32_t y) const
{
    if (y < 0 || y >= height_)
        throw std::out_of_range("index map row " + std::to_string(y) + " is outside 0.."
                                + std::to_string(height_ - 1));
}

}  // namespace palshift
