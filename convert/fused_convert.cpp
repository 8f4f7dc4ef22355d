#include "convert/fused_convert.h"

#include "convert/colour_hash.h"
#include "convert/colour_lookup.h"
#include "convert/nearest_colour.h"
#include "convert/result_drawing.h"
#include "convert/source_index_map.h"

#include <array>
#include <stdexcept>
#include <string>

namespace palshift {

namespace {

// Per source entry: its target entry, and that entry's colour as Picture2 shows it.
struct Remap {
    std::array<std::int16_t, 256> target{};
    std::array<QRgb, 256> painted{};
};

Remap remapOf(const ConversionState& state)
{
    const std::array<std::uint8_t, 256> nearest = nearestEntries(state.SourcePal, state.TargetPal);
    Remap remap;
    for (std::size_t s = 0; s < 256; ++s) {
        const Rgb& colour = state.TargetPal[nearest[s]];
        remap.target[s] = nearest[s];
        remap.painted[s] = qRgb(colour.red, colour.green, colour.blue);
    }
    return remap;
}

// The lowest source entry of each colour, keyed as a QImage's 32-bit pixels hold colours.
ColourHash sourceHash(const Palette& source)
{
    std::array<std::uint32_t, 256> keys{};
    std::array<std::uint8_t, 256> entries{};
    for (std::size_t entry = 0; entry < 256; ++entry) {
        keys[entry] = qRgb(source[entry].red, source[entry].green, source[entry].blue) & 0xFFFFFFu;
        entries[entry] = static_cast<std::uint8_t>(entry);
    }
    return ColourHash(keys, entries);
}

// A map element that no step wrote holds 0 to 255; anything else stops the remap as CreateNewPal does.
void checkEntries(std::uint16_t allBits, std::int32_t y)
{
    if (allBits > 255)
        throw std::out_of_range("source index map row " + std::to_string(y) + " holds a value that is no palette entry");
}

void passOverColours(ConversionState& state, const QImage& image, ImageSurface& picture2, const Remap& remap,
                     std::int32_t columns, std::int32_t rows)
{
    const ColourHash hash = sourceHash(state.SourcePal);
    // Per source entry its painted colour and target entry in one word: one table read per pixel.
    std::array<std::uint64_t, 256> remapped{};
    for (std::size_t s = 0; s < 256; ++s)
        remapped[s] = remap.painted[s] | std::uint64_t(static_cast<std::uint16_t>(remap.target[s])) << 32;
    std::int64_t unmatched = 0;
    for (std::int32_t y = 0; y < rows; ++y) {
        const auto* const pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::int16_t* const source = state.SourceIndexMap.row(y).data();
        std::int16_t* const target = state.TargetIndexMap.row(y).data();
        QRgb* const painted = picture2.paintScanLine(y);
        std::int32_t rowUnmatched = 0;
        std::uint16_t allBits = 0;
        for (std::int32_t x = 0; x < columns; ++x) {
            const std::uint32_t key = pixels[x] & 0xFFFFFFu;
            const std::uint32_t slot = hash.slot(key);
            const bool found = ColourHash::holds(slot, key);
            const auto s = static_cast<std::uint16_t>(found ? slot >> 24 : static_cast<std::uint16_t>(source[x]));
            allBits |= s;
            const std::uint64_t both = remapped[s & 0xFFu];
            source[x] = static_cast<std::int16_t>(s);
            target[x] = static_cast<std::int16_t>(both >> 32);
            painted[x] = static_cast<QRgb>(both);
            rowUnmatched += !found;
        }
        checkEntries(allBits, y);
        unmatched += rowUnmatched;
    }
    state.unmatchedPixels = unmatched;
}

void passOverIndices(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2, const Remap& remap,
                     std::int32_t columns, std::int32_t rows)
{
    const ColourLookup lookup(state.SourcePal);
    std::array<std::int16_t, 256> entryOfIndex{};
    std::array<std::int16_t, 256> targetOfIndex{};
    std::array<QRgb, 256> paintedOfIndex{};
    bool anyUnmatched = false;
    for (std::size_t index = 0; index < 256; ++index) {
        const int entry = lookup.lowestEntry((*picture1.indexedColours())[index]);
        anyUnmatched = anyUnmatched || entry < 0;
        entryOfIndex[index] = static_cast<std::int16_t>(entry);
        targetOfIndex[index] = remap.target[static_cast<std::size_t>(entry & 0xFF)];
        paintedOfIndex[index] = remap.painted[static_cast<std::size_t>(entry & 0xFF)];
    }

    std::int64_t unmatched = 0;
    for (std::int32_t y = 0; y < rows; ++y) {
        const std::uint8_t* const indices = picture1.indexRow(y).data();
        std::int16_t* const source = state.SourceIndexMap.row(y).data();
        std::int16_t* const target = state.TargetIndexMap.row(y).data();
        QRgb* const painted = picture2.paintScanLine(y);
        if (!anyUnmatched) {
            // Every pixel's entries follow from its index alone.
            for (std::int32_t x = 0; x < columns; ++x) {
                const std::uint8_t index = indices[x];
                source[x] = entryOfIndex[index];
                target[x] = targetOfIndex[index];
                painted[x] = paintedOfIndex[index];
            }
            continue;
        }
        std::int32_t rowUnmatched = 0;
        std::uint16_t allBits = 0;
        for (std::int32_t x = 0; x < columns; ++x) {
            const std::int16_t found = entryOfIndex[indices[x]];
            const auto s = static_cast<std::uint16_t>(found >= 0 ? found : source[x]);
            allBits |= s;
            const std::uint8_t entry = static_cast<std::uint8_t>(s);
            source[x] = static_cast<std::int16_t>(s);
            target[x] = remap.target[entry];
            painted[x] = remap.painted[entry];
            rowUnmatched += found < 0;
        }
        checkEntries(allBits, y);
        unmatched += rowUnmatched;
    }
    state.unmatchedPixels = unmatched;
}

bool fitsOnePass(const ConversionState& state, const ImageSurface& picture1, const ImageSurface& picture2)
{
    const auto [columns, rows] = pixelExtent(picture1);
    const QImage& image = picture1.image();
    const bool readable = image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_RGB32
                          || image.format() == QImage::Format_ARGB32;
    return columns > 0 && rows > 0 && readable && image.width() == columns && image.height() == rows
           && state.SourceIndexMap.width() >= columns && state.SourceIndexMap.height() >= rows
           && state.TargetIndexMap.width() >= columns && state.TargetIndexMap.height() >= rows
           && picture2.width() == columns && picture2.height() == rows;
}

}  // namespace

void identifyRemapAndPaint(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2)
{
    if (!fitsOnePass(state, picture1, picture2)) {
        InitPicturePal(state, picture1);
        CreateNewPal(state, picture1);
        SilentStatusLine silent;
        drawPic(state, picture1, picture2, silent);
        return;
    }
    const auto [columns, rows] = pixelExtent(picture1);
    const Remap remap = remapOf(state);
    if (picture1.indexedColours())
        passOverIndices(state, picture1, picture2, remap, columns, rows);
    else
        passOverColours(state, picture1.image(), picture2, remap, columns, rows);

    // CreateNewPal leaves the distances of the last pixel it remapped.
    const std::int16_t last = state.SourceIndexMap.at(columns - 1, rows - 1);
    nearestEntry(state.SourcePal[static_cast<std::size_t>(last)], state.TargetPal,
                 {state.RedDist, state.GreenDist, state.BlueDist, state.TotalDist});
}

void convertInOnePass(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2, StatusLine& status,
                      const PaletteFiles& files)
{
    status.setText("Loading Diablo 1 Pal");
    readPaletteFile(files.source, state.SourcePal, state.PalCounter, files.sourceFormat);
    status.setText("Loading Diablo 2 Pal");
    readPaletteFile(files.target, state.TargetPal, state.PalCounter, files.targetFormat);
    if (!fitsOnePass(state, picture1, picture2)) {
        status.setText("Intializing Picture Pal");
        InitPicturePal(state, picture1);
        status.setText("Ready...");
        newPal(state, picture1, status);
        drawPic(state, picture1, picture2, status);
        return;
    }
    status.setText("Intializing Picture Pal");
    picture2.setVisible(false);
    try {
        identifyRemapAndPaint(state, picture1, picture2);
    } catch (...) {
        picture2.setVisible(true);
        throw;
    }
    status.setText("Ready...");
    status.setText("Creating Pal...");
    status.setText("Ready...");
    status.setText("Drawing Pic...");
    picture2.setVisible(true);
    status.setText("Ready...");
}

}  // namespace palshift
