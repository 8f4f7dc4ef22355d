#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace palshift {

// Palette entry numbers per pixel, x from 0 to width - 1 and y from 0 to height - 1.
// Every access is checked (std::out_of_range). Stored row by row, so a row is contiguous.
class IndexMap {
public:
    IndexMap() = default;

    // Dimensions the map to x in 0..lastX and y in 0..lastY, every element 0.
    // An upper bound of -1 gives an empty map; below that is std::out_of_range.
    void redim(std::int32_t lastX, std::int32_t lastY);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    // std::out_of_range unless a picture of columns x rows lies within the map (or has no pixels).
    void checkCovers(std::int32_t columns, std::int32_t rows) const;

    std::int16_t at(std::int32_t x, std::int32_t y) const;
    void set(std::int32_t x, std::int32_t y, std::int16_t value);

    // Row y, x = 0 first.
    std::span<std::int16_t> row(std::int32_t y);
    std::span<const std::int16_t> row(std::int32_t y) const;

private:
    std::size_t offset(std::int32_t x, std::int32_t y) const;
    void checkRow(std::int32_t y) const;

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::vector<std::int16_t> elements_;
};

}  // namespace palshift
