#include "convert/rule_steps.h"

#include "convert/rule_lookup.h"
#include "convert/source_index_map.h"
#include "pictures/qt_rows.h"

#include <algorithm>
#include <span>

namespace palshift {

namespace {

// Looks every row of picture up under rules, handing each row's target entries to take; rows of an
// indexed picture are made 32-bit a band at a time, so that each pixel has the alpha of its colour.
std::int64_t resolveRows(const ConversionState& state, const QImage& picture, const ConversionRules& rules,
                         const StepProgress& progress, const TakeRow& take)
{
    QtRows rows(picture, QtRows::Alpha::Kept);
    return lookUpRows(rows, lookupUnderRules(state.SourcePal, state.TargetPal, rules), rules, take, progress);
}

std::int64_t countUnmatched(const ConversionState& state, const QImage& picture, const ConversionRules& rules,
                            const StepProgress& progress)
{
    return resolveRows(state, picture, rules, progress, [](std::int32_t, std::span<const std::uint8_t>) {});
}

}  // namespace

bool changesConversion(const ConversionRules& rules)
{
    return rules.transparentIndex.has_value() || rules.unmatched != UnmatchedRule::Zero;
}

void loadPalsUnderRules(ConversionState& state, const ImageSurface& picture1, StatusLine& status,
                        const PaletteFiles& files, const ConversionRules& rules, const StepProgress& progress,
                        const std::optional<PaletteFormats>& formats)
{
    readPals(state, status, files, formats);
    status.setText("Intializing Picture Pal");
    InitPicturePal(state, picture1);
    state.unmatchedPixels = countUnmatched(state, picture1.image(), rules, progress);
    status.setText("Ready...");
}

void newPalUnderRules(ConversionState& state, const ImageSurface& picture1, StatusLine& status,
                      const ConversionRules& rules, const StepProgress& progress)
{
    status.setText("Creating Pal...");
    const QImage& picture = picture1.image();
    state.TargetIndexMap.checkCovers(picture.width(), picture.height());
    // A refused picture is found out before the map changes.
    if (rules.unmatched == UnmatchedRule::Fail)
        countUnmatched(state, picture, rules, {});
    IndexMap& map = state.TargetIndexMap;
    state.unmatchedPixels = resolveRows(state, picture, rules, progress,
                                        [&map](std::int32_t y, std::span<const std::uint8_t> targets) {
                                            std::copy(targets.begin(), targets.end(), map.row(y).begin());
                                        });
    status.setText("Ready...");
}

}  // namespace palshift
