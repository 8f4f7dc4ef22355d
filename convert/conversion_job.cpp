#include "convert/conversion_job.h"

#include "bmp/bmp_writer.h"
#include "bmp/indexed_export.h"
#include "convert/nearest_target.h"
#include "pictures/picture_rows.h"
#include "pictures/read_ahead_rows.h"
#include "platform/file_error.h"
#include "platform/qt_pictures.h"

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

Rgb rgbOf(ColourValue colour)
{
    // A pixel past a picture's colour table has no colour; Qt reads it as black.
    if (colour < 0)
        return {};
    return {static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
            static_cast<std::uint8_t>(colour >> 16)};
}

ColourValue colourAt(std::span<const std::uint8_t> row, std::size_t x, PixelLayout layout, const IndexedColours* table)
{
    const std::uint8_t* pixel = row.data() + x * static_cast<std::size_t>(bytesPerPixel(layout));
    switch (layout) {
    case PixelLayout::Indexed8:
    case PixelLayout::IndexedAlpha8: return (*table)[pixel[0]];
    case PixelLayout::Rgb8:
    case PixelLayout::Rgba8: return pixel[0] | pixel[1] << 8 | pixel[2] << 16;
    default: return pixel[2] | pixel[1] << 8 | pixel[0] << 16;
    }
}

// Counts the pixels of no source colour and, for UnmatchedRule::Fail, keeps the first.
class UnmatchedTally {
public:
    UnmatchedTally(const RowSource& rows, const TargetLookup& lookup, const TargetLookup::Rows& mapper,
                   const ConversionRules& rules)
        : lookup_(lookup), mapper_(mapper), layout_(rows.layout()), table_(rows.colourTable()), height_(rows.height()),
          bottomUp_(rows.bottomUp()), refuse_(rules.unmatched == UnmatchedRule::Fail)
    {
    }

    // Row number `read` in reading order held misses unmatched pixels. The first pixel counts from
    // the top row: of rows read bottom-up, the last row read with any.
    void add(std::int64_t misses, std::span<const std::uint8_t> row, std::int32_t read)
    {
        if (misses > 0 && (count_ == 0 || bottomUp_) && refuse_) {
            const std::size_t pixels = row.size() / static_cast<std::size_t>(bytesPerPixel(layout_));
            for (std::size_t x = 0; x < pixels; ++x) {
                const ColourValue colour = colourAt(row, x, layout_, table_);
                if (lookup_.matchedTarget(colour) < 0 && !mapper_.transparentAt(row, x)) {
                    firstX_ = static_cast<std::int32_t>(x);
                    firstColour_ = rgbOf(colour);
                    break;
                }
            }
            firstY_ = bottomUp_ ? height_ - 1 - read : read;
        }
        count_ += misses;
    }

    std::int64_t count() const { return count_; }
    void refuseIfAny() const
    {
        if (refuse_ && count_ > 0)
            throw UnmatchedColoursError(count_, firstX_, firstY_, firstColour_);
    }

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
    const TargetLookup::Rows mapper = lookup.rows(rows.layout(), rows.colourTable(), job.rules.transparentIndex);
    UnmatchedTally unmatched(rows, lookup, mapper, job.rules);
    for (std::int32_t read = 0; read < picture.height; ++read) {
        const std::span<const std::uint8_t> row = nextRowOf(rows);
        const std::int32_t y = rows.bottomUp() ? picture.height - 1 - read : read;
        unmatched.add(mapper.map(row, std::span(picture.indices).subspan(static_cast<std::size_t>(y) * width, width)),
                      row, read);
    }
    unmatched.refuseIfAny();
    writePicture(picture, job.format, job.target, job.rules.transparentIndex, sink);
    return {unmatched.count(), std::int64_t{picture.width} * picture.height, RowReader::Qt};
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
    if (job.rules.transparentIndex) {
        const TargetPicture converted = convertDecodedWithRules(input, job.source, job.target, job.rules);
        writePicture(converted, job.format, job.target, job.rules.transparentIndex, sink);
        return {converted.unmatchedPixels, std::int64_t{converted.width} * converted.height, RowReader::Qt};
    }
    auto rows = openRows(input, RowReader::Qt);
    try {
        return convertMarkingFailures(*rows, lookup, job, sink);
    } catch (const RowsFailed& failed) {
        throw failed.error;
    }
}

}  // namespace

JobReport convertFile(const QString& input, const ConversionJob& job, ByteSink& sink, RowReaders readers)
{
    // No colour but a transparent pixel takes the transparent entry.
    const std::optional<std::uint8_t> transparent = job.rules.transparentIndex;
    TargetLookup lookup(job.source, nearestTargets(job.source, job.target, transparent));
    if (job.rules.unmatched == UnmatchedRule::Nearest)
        lookup.setUnmatchedResolver(
            [&job](ColourValue colour) { return nearestTarget(rgbOf(colour), job.target, job.rules.transparentIndex); });
    return convertThroughLookup(input, lookup, job, sink, readers);
}

}  // namespace palshift
