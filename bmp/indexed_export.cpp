#include "bmp/indexed_export.h"

#include "pictures/pcx_writer.h"
#include "pictures/png_writer.h"
#include "platform/atomic_file.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace palshift {

namespace {

template<typename Writer>
void writeRows(Writer& writer, const IndexMap& map, std::int32_t width, std::int32_t height, const StepProgress& progress)
{
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    for (std::int32_t y = 0; y < height; ++y) {
        const std::span<const std::int16_t> entries = map.row(y).first(static_cast<std::size_t>(width));
        for (std::size_t x = 0; x < row.size(); ++x) {
            if (entries[x] < 0 || entries[x] > 255)
                throw std::overflow_error("target index map row " + std::to_string(y)
                                          + " holds a value that is no palette entry");
            row[x] = static_cast<std::uint8_t>(entries[x]);
        }
        writer.writeRow(row);
        if (progress)
            progress(y + 1, height);
    }
    writer.finish();
}

}  // namespace

void saveIndexedPicture(const ConversionState& state, OutputFormat format, std::int32_t width, std::int32_t height,
                        std::optional<std::uint8_t> transparentIndex, StatusLine& status, const StepProgress& progress)
{
    status.setText("Saving...");
    if (width <= 0 || height <= 0)
        throw std::runtime_error("There is no picture to save: it has no pixels");
    state.TargetIndexMap.checkCovers(width, height);
    AtomicFile file(state.SaveFileName);
    if (format == OutputFormat::Png) {
        PngWriter writer(width, height, state.TargetPal, transparentIndex, file);
        writeRows(writer, state.TargetIndexMap, width, height, progress);
    } else if (format == OutputFormat::Pcx) {
        PcxWriter writer(width, height, state.TargetPal, file);
        writeRows(writer, state.TargetIndexMap, width, height, progress);
    } else {
        throw std::invalid_argument("a BMP is saved by savePicture");
    }
    file.commit();
    status.setText("Ready...");
}

}  // namespace palshift
