#include "pictures/dc6_reader.h"

#include "pictures/picture_limits.h"
#include "platform/file_error.h"

#include <algorithm>
#include <cstdint>

namespace palshift {

namespace {

constexpr qsizetype fileHeaderBytes = 24;
constexpr qsizetype frameHeaderBytes = 32;
constexpr std::int64_t largestSide = 16384;

[[noreturn]] void refuse(const QString& file, const QString& reason)
{
    throw FileError(file, QStringLiteral("%1: %2").arg(file, reason));
}

std::uint32_t u32At(QByteArrayView bytes, qsizetype offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

std::int32_t i32At(QByteArrayView bytes, qsizetype offset)
{
    return static_cast<std::int32_t>(u32At(bytes, offset));
}

// Decodes frame's pixels from data, rows from the bottom.
void decodePixels(QByteArrayView data, Dc6Frame& frame, const QString& file, std::size_t number)
{
    const auto where = [&](const QString& what) {
        refuse(file, QStringLiteral("frame %1: %2").arg(number).arg(what));
    };
    const auto width = static_cast<std::size_t>(frame.width);
    frame.indices.assign(width * static_cast<std::size_t>(frame.height), 0);
    qsizetype at = 0;
    for (std::int32_t y = frame.height - 1; y >= 0; --y) {
        std::uint8_t* const row = frame.indices.data() + static_cast<std::size_t>(y) * width;
        std::size_t x = 0;
        for (;;) {
            if (at >= data.size())
                where(QStringLiteral("the pixels end before row %1 does").arg(y));
            const auto code = static_cast<std::uint8_t>(data[at++]);
            if (code == 0x80)
                break;
            const std::size_t run = code & 0x7F;
            if (x + run > width)
                where(QStringLiteral("a run of %1 pixels at x %2 passes the row's width of %3 (row %4)")
                          .arg(run).arg(x).arg(width).arg(y));
            if (!(code & 0x80)) {  // 0 copies nothing, as some of the game's files have it
                if (data.size() - at < static_cast<qsizetype>(run))
                    where(QStringLiteral("the pixels end inside a run of %1 (row %2)").arg(run).arg(y));
                for (std::size_t i = 0; i < run; ++i)
                    row[x + i] = static_cast<std::uint8_t>(data[at++]);
            }
            x += run;
        }
    }
}

}  // namespace

bool looksLikeDc6(QByteArrayView bytes)
{
    return bytes.size() >= 12 && u32At(bytes, 0) == 6 && u32At(bytes, 4) <= 1 && u32At(bytes, 8) == 0;
}

Dc6Sprite readDc6(QByteArrayView bytes, const QString& file)
{
    if (bytes.size() < fileHeaderBytes)
        refuse(file, QStringLiteral("truncated: %1 bytes, a DC6 header needs 24").arg(bytes.size()));
    if (!looksLikeDc6(bytes))
        refuse(file, QStringLiteral("not a DC6 file: expected version 6, flags 0 or 1 and encoding 0"));
    Dc6Sprite sprite;
    sprite.directions = u32At(bytes, 16);
    sprite.framesPerDirection = u32At(bytes, 20);
    const std::uint64_t frames = std::uint64_t{sprite.directions} * sprite.framesPerDirection;
    if (frames == 0)
        refuse(file, QStringLiteral("holds no frames (%1 directions of %2)")
                         .arg(sprite.directions).arg(sprite.framesPerDirection));
    if (frames > static_cast<std::uint64_t>(bytes.size() - fileHeaderBytes) / 4)
        refuse(file, QStringLiteral("%1 directions of %2 frames: the frame pointers pass the end of the file")
                         .arg(sprite.directions).arg(sprite.framesPerDirection));

    std::int64_t pixels = 0;
    sprite.frames.resize(static_cast<std::size_t>(frames));
    for (std::size_t number = 0; number < sprite.frames.size(); ++number) {
        const std::uint32_t pointer = u32At(bytes, fileHeaderBytes + 4 * static_cast<qsizetype>(number));
        if (std::int64_t{pointer} + frameHeaderBytes > bytes.size())
            refuse(file, QStringLiteral("frame %1: its pointer %2 passes the end of the file (%3 bytes)")
                             .arg(number).arg(pointer).arg(bytes.size()));
        Dc6Frame& frame = sprite.frames[number];
        frame.width = i32At(bytes, pointer + 4);
        frame.height = i32At(bytes, pointer + 8);
        frame.offsetX = i32At(bytes, pointer + 12);
        frame.offsetY = i32At(bytes, pointer + 16);
        const std::uint32_t length = u32At(bytes, pointer + 28);
        if (frame.width < 0 || frame.height < 0 || frame.width > largestSide || frame.height > largestSide)
            refuse(file, QStringLiteral("frame %1: a size of %2 x %3 pixels")
                             .arg(number).arg(frame.width).arg(frame.height));
        pixels += std::int64_t{frame.width} * frame.height;
        if (pixels > largestPicturePixels)
            refuse(file, QStringLiteral("frame %1: more than %2 pixels in all").arg(number).arg(largestPicturePixels));
        if (length > static_cast<std::uint64_t>(bytes.size() - pointer - frameHeaderBytes))
            refuse(file, QStringLiteral("frame %1: %2 bytes of pixels pass the end of the file").arg(number).arg(length));
        if (frame.height > std::int64_t{length})
            refuse(file, QStringLiteral("frame %1: %2 bytes of pixels cannot end %3 rows")
                             .arg(number).arg(length).arg(frame.height));
    }
    // Only once every size is known to be sound is memory taken for the pixels.
    for (std::size_t number = 0; number < sprite.frames.size(); ++number) {
        const std::uint32_t pointer = u32At(bytes, fileHeaderBytes + 4 * static_cast<qsizetype>(number));
        Dc6Frame& frame = sprite.frames[number];
        decodePixels(bytes.sliced(pointer + frameHeaderBytes, u32At(bytes, pointer + 28)), frame, file, number);
        // Rows are stored from the bottom unless the frame is flipped.
        if (i32At(bytes, pointer) != 0)
            for (std::int32_t y = 0; y < frame.height / 2; ++y)
                std::swap_ranges(frame.indices.begin() + std::ptrdiff_t{y} * frame.width,
                                 frame.indices.begin() + std::ptrdiff_t{y + 1} * frame.width,
                                 frame.indices.end() - std::ptrdiff_t{y + 1} * frame.width);
    }
    return sprite;
}

}  // namespace palshift
