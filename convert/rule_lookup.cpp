#include "convert/rule_lookup.h"

#include "convert/nearest_target.h"

#include <algorithm>
#include <vector>

namespace palshift {

namespace {

Rgb rgbOf(ColourValue colour)
{
    // A pixel past a picture's colour table has no colour; Qt reads it as black.
    if (colour < 0)
        return {};
    return {static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
            static_cast<std::uint8_t>(colour >> 16)};
}

ColourValue colourAt(std::span<const std::uint8_t> row, std::size_t x, PixelLayout layout, const IndexedColours* table)
{
    const std::uint8_t* pixel = row.data() + x * static_cast<std::size_t>(bytesPerPixel(layout));
    switch (layout) {
    case PixelLayout::Indexed8:
    case PixelLayout::IndexedAlpha8: return (*table)[pixel[0]];
    case PixelLayout::Rgb8:
    case PixelLayout::Rgba8: return pixel[0] | pixel[1] << 8 | pixel[2] << 16;
    default: return pixel[2] | pixel[1] << 8 | pixel[0] << 16;
    }
}

}  // namespace

TargetLookup lookupUnderRules(const Palette& source, const Palette& target, const ConversionRules& rules)
{
    // No colour but a transparent pixel takes the transparent entry.
    TargetLookup lookup(source, nearestTargets(source, target, rules.transparentIndex));
    if (rules.unmatched == UnmatchedRule::Nearest)
        lookup.setUnmatchedResolver([target, excluded = rules.transparentIndex](ColourValue colour) {
            return nearestTarget(rgbOf(colour), target, excluded);
        });
    return lookup;
}

UnmatchedTally::UnmatchedTally(const RowSource& rows, const TargetLookup& lookup, const TargetLookup::Rows& mapper,
                               const ConversionRules& rules)
    : lookup_(lookup), mapper_(mapper), layout_(rows.layout()), table_(rows.colourTable()), height_(rows.height()),
      bottomUp_(rows.bottomUp()), refuse_(rules.unmatched == UnmatchedRule::Fail)
{
}

void UnmatchedTally::add(std::int64_t misses, std::span<const std::uint8_t> row, std::int32_t read)
{
    if (misses > 0 && (count_ == 0 || bottomUp_) && refuse_) {
        const std::size_t pixels = row.size() / static_cast<std::size_t>(bytesPerPixel(layout_));
        for (std::size_t x = 0; x < pixels; ++x) {
            const ColourValue colour = colourAt(row, x, layout_, table_);
            if (lookup_.matchedTarget(colour) < 0 && !mapper_.transparentAt(row, x)) {
                firstX_ = static_cast<std::int32_t>(x);
                firstColour_ = rgbOf(colour);
                break;
            }
        }
        firstY_ = bottomUp_ ? height_ - 1 - read : read;
    }
    count_ += misses;
}

void UnmatchedTally::refuseIfAny() const
{
    if (refuse_ && count_ > 0)
        throw UnmatchedColoursError(count_, firstX_, firstY_, firstColour_);
}

std::int64_t lookUpRows(RowSource& rows, const TargetLookup& lookup, const ConversionRules& rules, const TakeRow& take,
                        const StepProgress& progress)
{
    const std::int32_t height = rows.height();
    std::vector<std::uint8_t> entries(static_cast<std::size_t>(std::max(rows.width(), 0)));
    const TargetLookup::Rows mapper = lookup.rows(rows.layout(), rows.colourTable(), rules.transparentIndex);
    UnmatchedTally unmatched(rows, lookup, mapper, rules);
    for (std::int32_t read = 0; read < height; ++read) {
        const std::span<const std::uint8_t> row = rows.nextRow();
        unmatched.add(mapper.map(row, entries), row, read);
        take(rows.bottomUp() ? height - 1 - read : read, entries);
        if (progress)
            progress(read + 1, height);
    }
    unmatched.refuseIfAny();
    return unmatched.count();
}

}  // namespace palshift
