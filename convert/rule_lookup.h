#pragma once

#include "convert/conversion_rules.h"
#include "convert/step_progress.h"
#include "convert/target_lookup.h"
#include "pictures/row_source.h"

#include <cstdint>
#include <functional>
#include <span>

namespace palshift {

// The one lookup with the rules: a colour of the source palette to the target entry nearest its
// lowest source entry, never the transparent entry; an unmatched colour as the off-palette rule
// says (source entry 0's target, or the target nearest its own colour).
TargetLookup lookupUnderRules(const Palette& source, const Palette& target, const ConversionRules& rules);

// Counts the pixels of no source colour and, for UnmatchedRule::Fail, keeps the first.
class UnmatchedTally {
public:
    UnmatchedTally(const RowSource& rows, const TargetLookup& lookup, const TargetLookup::Rows& mapper,
                   const ConversionRules& rules);

    // Row number `read` in reading order held misses unmatched pixels. The first pixel counts from
    // the top row: of rows read bottom-up, the last row read with any.
    void add(std::int64_t misses, std::span<const std::uint8_t> row, std::int32_t read);

    std::int64_t count() const { return count_; }
    // Under UnmatchedRule::Fail, throws UnmatchedColoursError if any pixel matched nothing.
    void refuseIfAny() const;

private:
    const TargetLookup& lookup_;
    const TargetLookup::Rows& mapper_;
    PixelLayout layout_;
    const IndexedColours* table_;
    std::int32_t height_;
    bool bottomUp_;
    bool refuse_;
    std::int64_t count_ = 0;
    std::int32_t firstX_ = 0, firstY_ = 0;
    Rgb firstColour_;
};

// Looks every row of rows up under rules, handing take(y, entries) each row's target entries with
// y counted from the top, and gives the count of unmatched pixels. Throws what the rows throw, and
// UnmatchedColoursError under UnmatchedRule::Fail once every row has been taken.
using TakeRow = std::function<void(std::int32_t y, std::span<const std::uint8_t> entries)>;
std::int64_t lookUpRows(RowSource& rows, const TargetLookup& lookup, const ConversionRules& rules, const TakeRow& take,
                        const StepProgress& progress = {});

}  // namespace palshift
