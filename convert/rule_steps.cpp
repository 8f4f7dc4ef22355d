#include "convert/rule_steps.h"

#include "convert/source_index_map.h"
#include "convert/target_resolver.h"

#include <algorithm>
#include <span>
#include <vector>

namespace palshift {

namespace {

// Resolves every row of picture, rows top-down, handing each row's targets to take(y, targets).
// Pictures that are not 32-bit are converted a band of rows at a time, as the command line's
// conversion converts them whole, so that each pixel has the same colour and alpha.
template<typename Take>
std::int64_t resolveRows(const ConversionState& state, const QImage& picture, const ConversionRules& rules,
                         const StepProgress& progress, Take take)
{
    TargetResolver resolver(state.SourcePal, state.TargetPal, rules);
    const std::int32_t width = picture.width();
    const std::int32_t height = picture.height();
    const bool direct = picture.format() == QImage::Format_ARGB32 || picture.format() == QImage::Format_RGB32;
    constexpr std::int32_t band = 64;
    std::vector<std::uint8_t> targets(static_cast<std::size_t>(width));
    QImage converted;
    for (std::int32_t y = 0; y < height; ++y) {
        const QRgb* pixels = nullptr;
        if (direct) {
            pixels = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        } else {
            if (y % band == 0)
                converted = picture.copy(0, y, width, std::min(band, height - y)).convertToFormat(QImage::Format_ARGB32);
            pixels = reinterpret_cast<const QRgb*>(converted.constScanLine(y % band));
        }
        resolver.resolveRow(y, {pixels, static_cast<std::size_t>(width)}, targets);
        take(y, std::span<const std::uint8_t>(targets));
        if (progress)
            progress(y + 1, height);
    }
    resolver.finish();
    return resolver.unmatchedPixels();
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
