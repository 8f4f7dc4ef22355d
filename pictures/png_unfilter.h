#pragma once

#include <cstdint>
#include <span>

namespace palshift {

// Undoes a PNG row's filter: filtered holds the row's bytes after its filter-type byte, previous the
// row above as unfiltered (all zero for the first row), into receives the row. bytesPerPixel is 1 to 4.
// False for a filter type past Paeth (4).
bool unfilterPngRow(std::uint8_t filterType, std::span<const std::uint8_t> filtered,
                    std::span<const std::uint8_t> previous, std::span<std::uint8_t> into, int bytesPerPixel);

}  // namespace palshift
