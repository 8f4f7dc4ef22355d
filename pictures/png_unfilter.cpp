#include "pictures/png_unfilter.h"

#include <cstdlib>

namespace palshift {

namespace {

enum Filter : std::uint8_t { None, Sub, Up, Average, Paeth };

std::uint8_t paethPredictor(int left, int above, int aboveLeft)
{
    const int estimate = left + above - aboveLeft;
    const int toLeft = std::abs(estimate - left);
    const int toAbove = std::abs(estimate - above);
    const int toAboveLeft = std::abs(estimate - aboveLeft);
    if (toLeft <= toAbove && toLeft <= toAboveLeft)
        return static_cast<std::uint8_t>(left);
    return static_cast<std::uint8_t>(toAbove <= toAboveLeft ? above : aboveLeft);
}

// Sub, Average and Paeth depend on the pixel to the left: the pixel size as a constant lets the
// compiler keep its bytes' chains apart.
template <int Bpp>
void unfilterLeftDependent(Filter filter, std::uint8_t* into, const std::uint8_t* previous, std::size_t size)
{
    const std::size_t first = size < Bpp ? size : Bpp;
    for (std::size_t i = 0; i < first; ++i) {
        const int above = previous[i];
        const int predicted = filter == Sub ? 0 : filter == Average ? above / 2 : above;  // Paeth: left 0
        into[i] = static_cast<std::uint8_t>(into[i] + predicted);
    }
    switch (filter) {
    case Sub:
        for (std::size_t i = Bpp; i < size; ++i)
            into[i] = static_cast<std::uint8_t>(into[i] + into[i - Bpp]);
        break;
    case Average:
        for (std::size_t i = Bpp; i < size; ++i)
            into[i] = static_cast<std::uint8_t>(into[i] + ((into[i - Bpp] + previous[i]) >> 1));
        break;
    default:
        for (std::size_t i = Bpp; i < size; ++i)
            into[i] = static_cast<std::uint8_t>(into[i] + paethPredictor(into[i - Bpp], previous[i], previous[i - Bpp]));
        break;
    }
}

}  // namespace

bool unfilterPngRow(std::uint8_t filterType, std::span<std::uint8_t> row, std::span<const std::uint8_t> previous,
                    int bytesPerPixel)
{
    std::uint8_t* const into = row.data();
    const std::size_t size = row.size();
    const auto filter = static_cast<Filter>(filterType);
    switch (filter) {
    case None:
        return true;
    case Up:
        for (std::size_t i = 0; i < size; ++i)
            into[i] = static_cast<std::uint8_t>(into[i] + previous[i]);
        return true;
    case Sub:
    case Average:
    case Paeth:
        switch (bytesPerPixel) {
        case 1: unfilterLeftDependent<1>(filter, into, previous.data(), size); break;
        case 2: unfilterLeftDependent<2>(filter, into, previous.data(), size); break;
        case 3: unfilterLeftDependent<3>(filter, into, previous.data(), size); break;
        default: unfilterLeftDependent<4>(filter, into, previous.data(), size); break;
        }
        return true;
    }
    return false;
}

}  // namespace palshift
