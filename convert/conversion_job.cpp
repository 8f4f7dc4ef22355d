#include "convert/conversion_job.h"

#include "bmp/bmp_headers.h"
#include "pictures/picture_rows.h"
#include "platform/file_error.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace palshift {

namespace {

constexpr std::size_t chunkBytes = std::size_t{1} << 20;

// A source's own failure, told apart from the sink's so that only the former falls back to Qt.
struct RowsFailed {
    FileError error;
};

// convertRows, throwing RowsFailed for the rows' own failures.
JobReport convertMarkingFailures(RowSource& rows, const TargetLookup& lookup, const Palette& targetPal, ByteSink& sink)
{
    const std::int32_t width = rows.width();
    const std::int32_t height = rows.height();
    if (width <= 0 || height <= 0)
        throw std::runtime_error("There is no picture to save: it has no pixels");
    const auto headers = bmpHeaders(width, height, targetPal);
    const auto stride = static_cast<std::size_t>(bmpSizes(width, height).rowStride);
    const auto rowCount = static_cast<std::size_t>(height);

    // The file stores the bottom row first; rows from the top fill each chunk from its end. A sink
    // that cannot seek gets nothing before the last row is read, so that a damaged picture can
    // still be converted anew from the start.
    const bool bottomUp = rows.bottomUp();
    const std::size_t chunkRows = sink.canSeek() ? std::clamp<std::size_t>(chunkBytes / stride, 1, rowCount) : rowCount;
    std::vector<std::uint8_t> chunk(chunkRows * stride, 0);  // padding bytes are never written, so stay 0
    const TargetLookup::Rows mapper = lookup.rows(rows.layout(), rows.colourTable());

    JobReport report;
    report.pixels = std::int64_t{width} * height;
    for (std::size_t first = 0; first < rowCount; first += chunkRows) {
        const std::size_t count = std::min(chunkRows, rowCount - first);
        for (std::size_t r = 0; r < count; ++r) {
            std::span<const std::uint8_t> row;
            try {
                row = rows.nextRow();
            } catch (const FileError& error) {
                throw RowsFailed{error};
            }
            const std::size_t place = bottomUp ? r : count - 1 - r;
            report.unmatchedPixels += mapper.map(row, std::span(chunk).subspan(place * stride, stride));
        }
        // The chunk's first row in file order: its own first row, or its last row when from the top.
        const std::size_t fileRow = bottomUp ? first : rowCount - first - count;
        if (first == 0)
            sink.writeAt(0, headers);
        sink.writeAt(bmpPixelDataOffset + fileRow * stride, std::span(chunk).first(count * stride));
    }
    return report;
}

}  // namespace

JobReport convertRows(RowSource& rows, const TargetLookup& lookup, const Palette& targetPal, ByteSink& sink)
{
    try {
        return convertMarkingFailures(rows, lookup, targetPal, sink);
    } catch (const RowsFailed& failed) {
        throw failed.error;
    }
}

JobReport convertFile(const QString& input, const TargetLookup& lookup, const Palette& targetPal, ByteSink& sink)
{
    std::array<std::uint8_t, rowReaderHeadBytes> head{};
    const RowReader reader = rowReaderFor(readHead(input, head));
    if (reader != RowReader::Qt) {
        std::unique_ptr<RowSource> rows;
        try {
            rows = openRows(input, reader);
        } catch (const FileError&) {
            // Refused at its header: Qt's decoder says why, or reads it.
        }
        try {
            if (rows) {
                JobReport report = convertMarkingFailures(*rows, lookup, targetPal, sink);
                report.reader = reader;
                return report;
            }
        } catch (const RowsFailed&) {
            // Damaged pixel data: Qt's decoder, with the loader's checks, decides as for any picture.
        }
    }
    auto rows = openRows(input, RowReader::Qt);
    return convertRows(*rows, lookup, targetPal, sink);
}

}  // namespace palshift
