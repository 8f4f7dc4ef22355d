#include "convert/indexed_export.h"

#include "bmp/bmp_writer.h"
#include "pictures/dc6_writer.h"
#include "pictures/pcx_writer.h"
#include "pictures/png_writer.h"
#include "platform/atomic_file.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace palshift {

namespace {

template<typename Writer>
void writeRows(Writer& writer, std::int32_t height, const EntryRows& rowOf)
{
    for (std::int32_t y = 0; y < height; ++y)
        writer.writeRow(rowOf(y));
    writer.finish();
}

}  // namespace

void writeIndexedPicture(OutputFormat format, std::int32_t width, std::int32_t height, const Palette& palette,
                         std::optional<std::uint8_t> transparentIndex, const EntryRows& rowOf, ByteSink& sink)
{
    if (width <= 0 || height <= 0)
        throw std::runtime_error("There is no picture to save: it has no pixels");
    switch (format) {
    case OutputFormat::Png: {
        PngWriter writer(width, height, palette, transparentIndex, sink);
        writeRows(writer, height, rowOf);
        return;
    }
    case OutputFormat::Pcx: {
        PcxWriter writer(width, height, palette, sink);
        writeRows(writer, height, rowOf);
        return;
    }
    case OutputFormat::Dc6: {
        Dc6Frame frame{width, height, 0, 0, {}};
        frame.indices.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (std::int32_t y = 0; y < height; ++y) {
            const std::span<const std::uint8_t> row = rowOf(y).first(static_cast<std::size_t>(width));
            frame.indices.insert(frame.indices.end(), row.begin(), row.end());
        }
        // Entry 0 is what a DC6 skips: kept only for pixels made transparent.
        if (transparentIndex != 0 && std::ranges::find(frame.indices, std::uint8_t{0}) != frame.indices.end())
            throw std::runtime_error("A DC6 keeps entry 0 for transparent pixels, and this result has opaque pixels of "
                                     "entry 0: choose transparent index 0 under File > Palettes... and convert again");
        Dc6Writer writer(1, 1, sink);
        writer.writeFrame(frame);
        writer.finish();
        return;
    }
    case OutputFormat::Bmp: {
        BmpWriter writer(width, height, palette, true, sink);
        for (std::int32_t y = height - 1; y >= 0; --y)
            std::ranges::copy(rowOf(y).first(static_cast<std::size_t>(width)), writer.nextRow().begin());
        writer.finish();
        return;
    }
    }
}

void saveIndexedPicture(const ConversionState& state, OutputFormat format, std::int32_t width, std::int32_t height,
                        std::optional<std::uint8_t> transparentIndex, StatusLine& status, const StepProgress& progress)
{
    status.setText("Saving...");
    state.TargetIndexMap.checkCovers(width, height);
    if (format == OutputFormat::Bmp)
        throw std::invalid_argument("a BMP is saved by savePicture");
    std::vector<std::uint8_t> row(static_cast<std::size_t>(std::max(width, 0)));
    const EntryRows rowOf = [&](std::int32_t y) {
        const std::span<const std::int16_t> entries = state.TargetIndexMap.row(y).first(row.size());
        for (std::size_t x = 0; x < row.size(); ++x) {
            if (entries[x] < 0 || entries[x] > 255)
                throw std::overflow_error("target index map row " + std::to_string(y)
                                          + " holds a value that is no palette entry");
            row[x] = static_cast<std::uint8_t>(entries[x]);
        }
        if (progress)
            progress(y + 1, height);
        return std::span<const std::uint8_t>(row);
    };
    AtomicFile file(state.SaveFileName);
    writeIndexedPicture(format, width, height, state.TargetPal, transparentIndex, rowOf, file);
    file.commit();
    status.setText("Ready...");
}

}  // namespace palshift
