#include "convert/indexed_export.h"

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

// The rows of one DC6 frame, written when the last has come.
struct Dc6FrameRows {
    void writeRow(std::span<const std::uint8_t> row) { frame.indices.insert(frame.indices.end(), row.begin(), row.end()); }
    void finish()
    {
        // Entry 0 is what a DC6 skips: kept only for pixels made transparent.
        if (transparentIndex != 0 && std::find(frame.indices.begin(), frame.indices.end(), 0) != frame.indices.end())
            throw std::runtime_error("A DC6 keeps entry 0 for transparent pixels, and this result has opaque pixels of "
                                     "entry 0: choose transparent index 0 under File > Palettes... and convert again");
        writer.writeFrame(frame);
        writer.finish();
    }
    Dc6Frame frame;
    std::optional<std::uint8_t> transparentIndex;
    Dc6Writer& writer;
};

}  // namespace

void saveIndexedPicture(const ConversionState& state, SaveFormat format, std::int32_t width, std::int32_t height,
                        std::optional<std::uint8_t> transparentIndex, StatusLine& status, const StepProgress& progress)
{
    status.setText("Saving...");
    if (width <= 0 || height <= 0)
        throw std::runtime_error("There is no picture to save: it has no pixels");
    state.TargetIndexMap.checkCovers(width, height);
    AtomicFile file(state.SaveFileName);
    if (format == SaveFormat::Png) {
        PngWriter writer(width, height, state.TargetPal, transparentIndex, file);
        writeRows(writer, state.TargetIndexMap, width, height, progress);
    } else if (format == SaveFormat::Pcx) {
        PcxWriter writer(width, height, state.TargetPal, file);
        writeRows(writer, state.TargetIndexMap, width, height, progress);
    } else if (format == SaveFormat::Dc6) {
        Dc6Writer writer(1, 1, file);
        Dc6FrameRows rows{{width, height, 0, 0, {}}, transparentIndex, writer};
        writeRows(rows, state.TargetIndexMap, width, height, progress);
    } else {
        throw std::invalid_argument("a BMP is saved by savePicture");
    }
    file.commit();
    status.setText("Ready...");
}

}  // namespace palshift
