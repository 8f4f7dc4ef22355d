#include "convert/dc6_conversion.h"

#include "convert/rule_lookup.h"
#include "pictures/dc6_reader.h"
#include "pictures/picture_file.h"
#include "pictures/picture_limits.h"
#include "pictures/picture_rows.h"
#include "pictures/qt_decoding.h"
#include "platform/file_error.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>
#include <string>

namespace palshift {

namespace {

// Rows of 32-bit pixels whose alpha says what is transparent, the colour key included: a pixel of
// the key's colour becomes 0, transparent black.
class KeyedRows final : public RowSource {
public:
    KeyedRows(RowSource& rows, Rgb key) : rows_(rows), key_(key), row_(std::size_t(rows.width()) * 4) {}

    std::int32_t width() const override { return rows_.width(); }
    std::int32_t height() const override { return rows_.height(); }
    PixelLayout layout() const override { return PixelLayout::Bgra8; }
    std::span<const std::uint8_t> nextRow() override
    {
        const std::span<const std::uint8_t> row = rows_.nextRow();
        std::copy(row.begin(), row.end(), row_.begin());
        for (std::size_t at = 0; at < row_.size(); at += 4)
            if (row_[at] == key_.blue && row_[at + 1] == key_.green && row_[at + 2] == key_.red)
                std::fill_n(row_.begin() + std::ptrdiff_t(at), 4, 0);
        return row_;
    }

private:
    RowSource& rows_;
    Rgb key_;
    std::vector<std::uint8_t> row_;
};

}  // namespace

Dc6DirectionsError::Dc6DirectionsError(std::uint32_t directions, std::uint64_t frames)
    : std::invalid_argument(std::to_string(directions) + " directions do not divide the " + std::to_string(frames)
                            + " frames of the pictures"),
      directions(directions), frames(frames)
{
}

std::int64_t writeDc6Frames(RowSource& picture, const QString& name, const TargetLookup& lookup,
                            const ConversionRules& rules, const Dc6Layout& layout, Dc6Writer& writer)
{
    if (picture.width() % layout.columns != 0 || picture.height() % layout.rows != 0)
        throw FileError(name, QStringLiteral("%1: its %2 x %3 pixels do not divide into %4 x %5 equal frames")
                                  .arg(name).arg(picture.width()).arg(picture.height())
                                  .arg(layout.columns).arg(layout.rows));
    const auto width = static_cast<std::size_t>(picture.width());
    std::vector<std::uint8_t> entries(width * static_cast<std::size_t>(picture.height()));
    std::optional<KeyedRows> keyed;
    if (layout.transparentColour)
        keyed.emplace(picture, *layout.transparentColour);
    std::int64_t unmatched = 0;
    try {
        unmatched = lookUpRows(keyed ? static_cast<RowSource&>(*keyed) : picture, lookup, rules, [&](std::int32_t y, std::span<const std::uint8_t> row) {
            std::copy(row.begin(), row.end(), entries.begin() + static_cast<std::ptrdiff_t>(y * width));
        });
    } catch (const UnmatchedColoursError& refused) {
        throw FileError(name, QStringLiteral("%1: %2").arg(name, QString::fromStdString(refused.what())));
    }
    Dc6Frame frame{picture.width() / layout.columns, picture.height() / layout.rows, layout.offsetX, layout.offsetY, {}};
    for (std::int32_t row = 0; row < layout.rows; ++row)
        for (std::int32_t column = 0; column < layout.columns; ++column) {
            frame.indices.clear();
            for (std::int32_t y = 0; y < frame.height; ++y) {
                const auto from = entries.begin()
                                  + static_cast<std::ptrdiff_t>((row * frame.height + y) * width + column * frame.width);
                frame.indices.insert(frame.indices.end(), from, from + frame.width);
            }
            writer.writeFrame(frame);
        }
    return unmatched;
}

Dc6Report convertToDc6(const QStringList& inputs, const ConversionJob& job, ByteSink& sink)
{
    const Dc6Layout& layout = job.dc6;
    // The file's header counts the frames, so they are counted before any is converted. Standard
    // input can be read only once: its frames are kept from the count.
    std::unique_ptr<DecodedFrames> standardInput;
    std::uint64_t frames = 0;
    for (const QString& input : inputs) {
        if (isDc6File(input)) {
            frames += readDc6File(input).frames.size();
            continue;
        }
        std::unique_ptr<DecodedFrames> pictures = decodedFrames(input);
        frames += std::uint64_t(pictures->count()) * std::uint64_t(layout.columns) * std::uint64_t(layout.rows);
        if (input == QStringLiteral("-"))
            standardInput = std::move(pictures);
    }
    if (layout.directions == 0 || frames % layout.directions != 0)
        throw Dc6DirectionsError(layout.directions, frames);
    if (frames > 0xFFFFFFFF)
        throw std::overflow_error(std::to_string(frames) + " frames are more than a DC6 file holds");
    Dc6Report report{{}, static_cast<std::uint32_t>(frames), layout.directions};
    ConversionRules rules = job.rules;
    rules.transparentIndex = 0;
    const TargetLookup lookup = lookupUnderRules(job.source, job.target, rules);
    Dc6Writer writer(layout.directions, static_cast<std::uint32_t>(frames / layout.directions), sink);
    for (const QString& input : inputs) {
        JobReport picture;
        if (isDc6File(input)) {  // already in the target palette: its frames as they are
            for (const Dc6Frame& frame : readDc6File(input).frames) {
                writer.writeFrame(frame);
                picture.pixels += std::int64_t{frame.width} * frame.height;
            }
            report.pictures.push_back(picture);
            continue;
        }
        const std::unique_ptr<DecodedFrames> pictures =
            input == QStringLiteral("-") ? std::move(standardInput) : decodedFrames(input);
        for (int i = 0; i < pictures->count(); ++i) {
            const std::unique_ptr<RowSource> frame = taken(pictures->next());
            picture.unmatchedPixels += writeDc6Frames(*frame, input, lookup, rules, layout, writer);
            picture.pixels += std::int64_t{frame->width()} * frame->height();
        }
        report.pictures.push_back(picture);
    }
    writer.finish();
    return report;
}

TargetPicture dc6Sheet(const Dc6Sprite& sprite, const QString& file)
{
    TargetPicture sheet;
    std::vector<std::int64_t> top;  // of each direction's row
    for (std::uint32_t direction = 0; direction < sprite.directions; ++direction) {
        std::int64_t width = 0, height = 0;
        for (std::uint32_t i = 0; i < sprite.framesPerDirection; ++i) {
            const Dc6Frame& frame = sprite.frames[direction * sprite.framesPerDirection + i];
            width += frame.width;
            height = std::max<std::int64_t>(height, frame.height);
        }
        top.push_back(sheet.height);
        sheet.width = static_cast<std::int32_t>(std::min<std::int64_t>(std::max<std::int64_t>(sheet.width, width), 1 << 30));
        sheet.height = static_cast<std::int32_t>(std::min<std::int64_t>(sheet.height + height, 1 << 30));
    }
    if (std::int64_t{sheet.width} * sheet.height > largestPicturePixels)
        throw FileError(file, QStringLiteral("%1: its frames make a sheet of %2 x %3 pixels, more than a picture may have")
                                  .arg(file).arg(sheet.width).arg(sheet.height));
    sheet.indices.assign(static_cast<std::size_t>(sheet.width) * static_cast<std::size_t>(sheet.height), 0);
    for (std::uint32_t direction = 0; direction < sprite.directions; ++direction) {
        std::size_t left = 0;
        for (std::uint32_t i = 0; i < sprite.framesPerDirection; ++i) {
            const Dc6Frame& frame = sprite.frames[direction * sprite.framesPerDirection + i];
            const auto width = static_cast<std::size_t>(frame.width);
            for (std::int32_t y = 0; y < frame.height; ++y)
                std::copy_n(frame.indices.begin() + static_cast<std::ptrdiff_t>(y * width), width,
                            sheet.indices.begin()
                                + static_cast<std::ptrdiff_t>((top[direction] + y) * sheet.width + left));
            left += width;
        }
    }
    return sheet;
}

Dc6Sprite readDc6File(const QString& file)
{
    const QByteArray bytes = RegularFile(file).read(largestPictureFileBytes + 1);
    if (bytes.size() > largestPictureFileBytes)
        throw FileError(file, QStringLiteral("%1: larger than the largest picture file that loads").arg(file));
    return readDc6(bytes, file);
}

bool isDc6File(const QString& file)
{
    if (file == QStringLiteral("-"))
        return false;
    std::array<std::uint8_t, rowReaderHeadBytes> head{};
    const std::span<const std::uint8_t> start = readHead(file, head);
    return file.endsWith(QLatin1String(".dc6"), Qt::CaseInsensitive)
           || looksLikeDc6(QByteArrayView(start.data(), static_cast<qsizetype>(start.size())));
}

}  // namespace palshift
