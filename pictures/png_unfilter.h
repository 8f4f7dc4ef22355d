#pragma once

#include <cstdint>
#include <span>

namespace palshift {

// Undoes a PNG row's filter in place: row holds the row's bytes after its filter-type byte, previous
// the row above as unfiltered (all zero for the first row). bytesPerPixel is 1 to 4. False for a
// filter type past Paeth (4).
bool unfilterPngRow(std::uint8_t filterType, std::span<std::uint8_t> row, std::span<const std::uint8_t> previous,
                    int bytesPerPixel);

}  // namespace palshift
