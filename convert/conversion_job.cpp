#include "convert/conversion_job.h"

#include "bmp/bmp_writer.h"
#include "convert/dc6_conversion.h"
#include "convert/indexed_export.h"
#include "convert/rule_lookup.h"
#include "convert/target_picture.h"
#include "pictures/picture_rows.h"
#include "pictures/qt_decoding.h"
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
    // A sink that cannot seek gets nothing before the last row is read, so that a damaged picture
    // can still be converted anew from the start, and a refused one leaves it empty.
    BmpWriter writer(width, height, targetPal, rows.bottomUp(), sink, !sink.canSeek());
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

    for (std::int32_t read = 0; read < height; ++read) {
        // The rows held go out before the next one is read.
        const std::span<std::uint8_t> entries = writer.nextRow();
        const std::span<const std::uint8_t> row = nextRowOf(rows);
        const std::optional<std::int64_t> shared = readAhead ? readAhead->sharedWorkOfLastRow(entries) : std::nullopt;
        unmatched.add(shared ? *shared : mapper.map(row, entries), row, read);
    }
    unmatched.refuseIfAny();
    writer.finish();
    return {unmatched.count(), std::int64_t{width} * height, RowReader::Qt};
}

// Writes a whole picture of target entries as format.
void writePicture(const TargetPicture& picture, OutputFormat format, const Palette& targetPal,
                  std::optional<std::uint8_t> transparentIndex, ByteSink& sink)
{
    const auto width = static_cast<std::size_t>(picture.width);
    writeIndexedPicture(format, picture.width, picture.height, targetPal, transparentIndex, [&](std::int32_t y) {
        return std::span(picture.indices).subspan(static_cast<std::size_t>(y) * width, width);
    }, sink);
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
    const std::unique_ptr<RowSource> rows = decodedRows(input, job.rules.transparentIndex.has_value());
    try {
        return convertMarkingFailures(*rows, lookup, job, sink);
    } catch (const RowsFailed& failed) {
        throw failed.error;
    }
}

}  // namespace

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

}  // namespace palshift
