#include "convert/conversion_job.h"

#include "bmp/bmp_headers.h"
#include "convert/dc6_conversion.h"
#include "convert/rule_lookup.h"
#include "convert/target_picture.h"
#include "pictures/pcx_writer.h"
#include "pictures/picture_loading.h"
#include "pictures/picture_rows.h"
#include "pictures/png_writer.h"
#include "pictures/qt_rows.h"
#include "pictures/read_ahead_rows.h"
#include "platform/file_error.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

namespace palshift {

namespace {

constexpr std::size_t chunkBytes = std::size_t{1} << 20;
// Below this, a thread to decode beside the conversion costs more than it saves.
constexpr std::int64_t readAheadPixels = 256 * 1024;

// A source's own failure, told apart from the sink's so that only the former falls back to Qt.
struct RowsFailed {
    FileError error;
};

std::span<const std::uint8_t> nextRowOf(RowSource& rows)
{
    try {
        return rows.nextRow();
    } catch (const FileError& error) {
        throw RowsFailed{error};
    }
}

// rows into a BMP, throwing RowsFailed for the rows' own failures.
JobReport convertToBmp(RowSource& rows, const TargetLookup& lookup, const ConversionRules& rules,
                       const Palette& targetPal, ByteSink& sink)
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
    // still be converted anew from the start, and a refused one leaves it empty.
    const bool bottomUp = rows.bottomUp();
    const std::size_t chunkRows = sink.canSeek() ? std::clamp<std::size_t>(chunkBytes / stride, 1, rowCount) : rowCount;
    std::vector<std::uint8_t> chunk(chunkRows * stride, 0);  // padding bytes are never written, so stay 0
    const TargetLookup::Rows mapper = lookup.rows(rows.layout(), rows.colourTable(), rules.transparentIndex);
    UnmatchedTally unmatched(rows, lookup, mapper, rules);
    // A thread reading ahead may look rows up too (a copy of the mapper: it may outlive this call,
    // not the lookup), but not the rows of 8-bit indices, whose look-up costs less than copying
    // its result from that thread.
    auto* const readAhead = dynamic_cast<ReadAheadRows*>(&rows);
    if (readAhead && rows.layout() != PixelLayout::Indexed8)
        readAhead->shareRowWork([shared = mapper](std::span<const std::uint8_t> row, std::span<std::uint8_t> out) {
            return shared.map(row, out);
        }, static_cast<std::size_t>(width));

    for (std::size_t first = 0; first < rowCount; first += chunkRows) {
        const std::size_t count = std::min(chunkRows, rowCount - first);
        for (std::size_t r = 0; r < count; ++r) {
            const std::span<const std::uint8_t> row = nextRowOf(rows);
            const std::size_t place = bottomUp ? r : count - 1 - r;
            const std::span<std::uint8_t> entries = std::span(chunk).subspan(place * stride, stride);
            const std::optional<std::int64_t> shared = readAhead ? readAhead->sharedWorkOfLastRow(entries) : std::nullopt;
            unmatched.add(shared ? *shared : mapper.map(row, entries), row, static_cast<std::int32_t>(first + r));
        }
        if (first + count == rowCount)
            unmatched.refuseIfAny();
        // The chunk's first row in file order: its own first row, or its last row when from the top.
        const std::size_t fileRow = bottomUp ? first : rowCount - first - count;
        if (first == 0)
            sink.writeAt(0, headers);
        sink.writeAt(bmpPixelDataOffset + fileRow * stride, std::span(chunk).first(count * stride));
    }
    return {unmatched.count(), std::int64_t{width} * height, RowReader::Qt};
}

// Writes a whole picture of target entries, rows top-down, as format.
void writePicture(const TargetPicture& picture, OutputFormat format, const Palette& targetPal,
                  std::optional<std::uint8_t> transparentIndex, ByteSink& sink)
{
    const auto width = static_cast<std::size_t>(picture.width);
    const auto rowOf = [&](std::int32_t y) {
        return std::span(picture.indices).subspan(static_cast<std::size_t>(y) * width, width);
    };
    switch (format) {
    case OutputFormat::Png: {
        PngWriter writer(picture.width, picture.height, targetPal, transparentIndex, sink);
        for (std::int32_t y = 0; y < picture.height; ++y)
            writer.writeRow(rowOf(y));
        writer.finish();
        return;
    }
    case OutputFormat::Pcx: {
        PcxWriter writer(picture.width, picture.height, targetPal, sink);
        for (std::int32_t y = 0; y < picture.height; ++y)
            writer.writeRow(rowOf(y));
        writer.finish();
        return;
    }
    case OutputFormat::Dc6: {
        Dc6Writer writer(1, 1, sink);
        writer.writeFrame({picture.width, picture.height, 0, 0, picture.indices});
        writer.finish();
        return;
    }
    case OutputFormat::Bmp:
        break;
    }
    if (picture.width <= 0 || picture.height <= 0)
        throw std::runtime_error("There is no picture to save: it has no pixels");
    const auto headers = bmpHeaders(picture.width, picture.height, targetPal);
    const auto stride = static_cast<std::size_t>(bmpSizes(picture.width, picture.height).rowStride);
    sink.writeAt(0, headers);
    const std::size_t chunkRows = std::max<std::size_t>(chunkBytes / stride, 1);
    std::vector<std::uint8_t> chunk(chunkRows * stride, 0);
    std::uint64_t offset = bmpPixelDataOffset;
    for (std::int32_t written = 0; written < picture.height;) {
        const std::size_t count = std::min<std::size_t>(chunkRows, static_cast<std::size_t>(picture.height - written));
        for (std::size_t r = 0; r < count; ++r) {
            const auto row = rowOf(picture.height - 1 - written - static_cast<std::int32_t>(r));
            std::copy(row.begin(), row.end(), chunk.begin() + static_cast<std::ptrdiff_t>(r * stride));
        }
        sink.writeAt(offset, std::span(chunk).first(count * stride));
        offset += count * stride;
        written += static_cast<std::int32_t>(count);
    }
}

// rows into a PNG or PCX: the whole picture of target entries first, as those files store rows
// top-down and a damaged picture must still be convertible anew. Throws RowsFailed.
JobReport convertToTopDown(RowSource& rows, const TargetLookup& lookup, const ConversionJob& job, ByteSink& sink)
{
    TargetPicture picture;
    picture.width = rows.width();
    picture.height = rows.height();
    if (picture.width <= 0 || picture.height <= 0)
        throw std::runtime_error("There is no picture to save: it has no pixels");
    const auto width = static_cast<std::size_t>(picture.width);
    picture.indices.resize(width * static_cast<std::size_t>(picture.height));
    const auto keep = [&](std::int32_t y, std::span<const std::uint8_t> entries) {
        std::copy(entries.begin(), entries.end(), picture.indices.begin() + static_cast<std::ptrdiff_t>(y * width));
    };
    std::int64_t unmatched = 0;
    try {
        unmatched = lookUpRows(rows, lookup, job.rules, keep);
    } catch (const FileError& error) {
        throw RowsFailed{error};  // nothing is written before every row is read
    }
    writePicture(picture, job.format, job.target, job.rules.transparentIndex, sink);
    return {unmatched, std::int64_t{picture.width} * picture.height, RowReader::Qt};
}

JobReport convertMarkingFailures(RowSource& rows, const TargetLookup& lookup, const ConversionJob& job, ByteSink& sink)
{
    return job.format == OutputFormat::Bmp ? convertToBmp(rows, lookup, job.rules, job.target, sink)
                                           : convertToTopDown(rows, lookup, job, sink);
}

JobReport convertThroughLookup(const QString& input, const TargetLookup& lookup, const ConversionJob& job,
                               ByteSink& sink, RowReaders readers)
{
    std::array<std::uint8_t, rowReaderHeadBytes> head{};
    // Standard input can be read only once, so only Qt's loading reads it.
    const RowReader reader = readers == RowReaders::Streaming && input != QStringLiteral("-")
                                 ? rowReaderFor(readHead(input, head))
                                 : RowReader::Qt;
    if (reader != RowReader::Qt) {
        std::unique_ptr<RowSource> rows;
        try {
            rows = openRows(input, reader);
            // Qt's decoder turns a colour key or palette alpha into the alpha that the rules read.
            if (job.rules.transparentIndex && rows->keysTransparency())
                rows.reset();
            else if (std::int64_t{rows->width()} * rows->height() >= readAheadPixels)
                rows = std::make_unique<ReadAheadRows>(std::move(rows));
        } catch (const FileError&) {
            // Refused at its header: Qt's decoder says why, or reads it.
        }
        try {
            if (rows) {
                JobReport report = convertMarkingFailures(*rows, lookup, job, sink);
                report.reader = reader;
                return report;
            }
        } catch (const RowsFailed&) {
            // Damaged pixel data: Qt's decoder, with the loader's checks, decides as for any picture.
        }
    }
    // Under a transparent entry, alpha counts: that of an indexed picture's colour table too.
    const std::unique_ptr<RowSource> rows = job.rules.transparentIndex
                                                ? std::make_unique<QtRows>(loadPicture(input), QtRows::Alpha::Kept)
                                                : openRows(input, RowReader::Qt);
    try {
        return convertMarkingFailures(*rows, lookup, job, sink);
    } catch (const RowsFailed& failed) {
        throw failed.error;
    }
}

}  // namespace

std::optional<OutputFormat> outputFormatFromName(QStringView name)
{
    if (name == QLatin1String("bmp"))
        return OutputFormat::Bmp;
    if (name == QLatin1String("png"))
        return OutputFormat::Png;
    if (name == QLatin1String("pcx"))
        return OutputFormat::Pcx;
    if (name == QLatin1String("dc6"))
        return OutputFormat::Dc6;
    return std::nullopt;
}

OutputFormat outputFormatOfFile(QStringView file)
{
    if (file.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return OutputFormat::Png;
    if (file.endsWith(QLatin1String(".pcx"), Qt::CaseInsensitive))
        return OutputFormat::Pcx;
    if (file.endsWith(QLatin1String(".dc6"), Qt::CaseInsensitive))
        return OutputFormat::Dc6;
    return OutputFormat::Bmp;
}

QString outputFormatName(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Png: return QStringLiteral("png");
    case OutputFormat::Pcx: return QStringLiteral("pcx");
    case OutputFormat::Dc6: return QStringLiteral("dc6");
    case OutputFormat::Bmp: break;
    }
    return QStringLiteral("bmp");
}

JobReport convertFile(const QString& input, const ConversionJob& job, ByteSink& sink, RowReaders readers)
{
    if (isDc6File(input)) {
        // Already in the target palette: its frames as they are.
        const TargetPicture sheet = dc6Sheet(readDc6File(input), input);
        writePicture(sheet, job.format, job.target, job.rules.transparentIndex, sink);
        return {0, std::int64_t{sheet.width} * sheet.height, RowReader::Qt};
    }
    if (job.format == OutputFormat::Dc6) {
        const Dc6Report report = convertToDc6({input}, job, sink);
        return report.pictures.front();
    }
    return convertThroughLookup(input, lookupUnderRules(job.source, job.target, job.rules), job, sink, readers);
}

JobReport convertRows(RowSource& rows, const TargetLookup& lookup, const Palette& targetPal, ByteSink& sink)
{
    try {
        return convertToBmp(rows, lookup, {}, targetPal, sink);
    } catch (const RowsFailed& failed) {
        throw failed.error;
    }
}

JobReport convertFile(const QString& input, const TargetLookup& lookup, const Palette& targetPal, ByteSink& sink)
{
    ConversionJob job;
    job.target = targetPal;
    return convertThroughLookup(input, lookup, job, sink, RowReaders::Streaming);
}

}  // namespace palshift
