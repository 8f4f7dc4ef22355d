#include "pictures/pcx_reader.h"

#include "platform/file_error.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace palshift {

namespace {

constexpr qsizetype paletteTrailerSize = 1 + 768;  // 0x0C, then red, green, blue per entry

[[noreturn]] void refuse(const QString& file, const QString& reason)
{
    throw FileError(file, QStringLiteral("%1: %2").arg(file, reason));
}

int littleEndian16(QByteArrayView bytes, qsizetype offset)
{
    return static_cast<std::uint8_t>(bytes[offset]) | static_cast<std::uint8_t>(bytes[offset + 1]) << 8;
}

QRgb rgbAt(QByteArrayView bytes, qsizetype offset)
{
    return qRgb(static_cast<std::uint8_t>(bytes[offset]), static_cast<std::uint8_t>(bytes[offset + 1]),
                static_cast<std::uint8_t>(bytes[offset + 2]));
}

// The pixel data as one stream of bytes, planes of a row after each other, rows top-down. Runs
// may carry over from one row to the next, as some writers let them.
class PcxStream {
public:
    PcxStream(QByteArrayView data, bool encoded) : data_(data), encoded_(encoded) {}

    // Fills row; false when the data ends first.
    bool read(std::vector<std::uint8_t>& row)
    {
        std::size_t filled = 0;
        while (filled < row.size()) {
            if (runLeft_ == 0) {
                if (at_ >= data_.size())
                    return false;
                const auto next = static_cast<std::uint8_t>(data_[at_++]);
                runValue_ = next;
                runLeft_ = 1;
                if (encoded_ && next >= 0xC0) {
                    if (at_ >= data_.size())
                        return false;
                    runValue_ = static_cast<std::uint8_t>(data_[at_++]);
                    runLeft_ = next & 0x3F;  // may be 0: a run that gives nothing
                }
            }
            const std::size_t taken = std::min(runLeft_, row.size() - filled);
            std::fill_n(row.begin() + static_cast<std::ptrdiff_t>(filled), taken, runValue_);
            filled += taken;
            runLeft_ -= taken;
        }
        return true;
    }

private:
    QByteArrayView data_;
    bool encoded_;
    qsizetype at_ = 0;
    std::uint8_t runValue_ = 0;
    std::size_t runLeft_ = 0;
};

}  // namespace

QImage readPcx(QByteArrayView bytes, const QString& file)
{
    if (bytes.size() < pcxHeaderBytes)
        refuse(file, QStringLiteral("truncated: %1 bytes, a PCX header needs 128").arg(bytes.size()));
    if (!looksLikePcx(bytes))
        refuse(file, QStringLiteral("offset 0: expected a PCX header (0x0A, version, encoding, bits per pixel)"));
    const bool encoded = bytes[2] == 1;
    const int bits = bytes[3];
    const int planes = static_cast<std::uint8_t>(bytes[65]);
    const int xMin = littleEndian16(bytes, 4), yMin = littleEndian16(bytes, 6);
    const int xMax = littleEndian16(bytes, 8), yMax = littleEndian16(bytes, 10);
    const int bytesPerLine = littleEndian16(bytes, 66);
    if (xMax < xMin || yMax < yMin)
        refuse(file, QStringLiteral("offset 4: the window %1, %2 to %3, %4 holds no pixel").arg(xMin).arg(yMin).arg(xMax).arg(yMax));
    const int width = xMax - xMin + 1, height = yMax - yMin + 1;
    if (width > largestPcxSide || height > largestPcxSide)
        refuse(file, QStringLiteral("%1 x %2 pixels; the largest picture is %3 x %3").arg(width).arg(height).arg(largestPcxSide));

    const bool indexed8 = bits == 8 && planes == 1, rgb = bits == 8 && planes == 3;
    const bool planar = bits == 1 && planes >= 1 && planes <= 4, packed4 = bits == 4 && planes == 1;
    if (!indexed8 && !rgb && !planar && !packed4)
        refuse(file, QStringLiteral("%1 bits per pixel in %2 planes; expected 8 in 1 or 3, 1 in 1 to 4, or 4 in 1")
                         .arg(bits).arg(planes));
    const qint64 neededPerLine = (qint64{width} * bits + 7) / 8;
    if (bytesPerLine < neededPerLine)
        refuse(file, QStringLiteral("offset 66: %1 bytes per line; %2 pixels of %3 bits need %4")
                         .arg(bytesPerLine).arg(width).arg(bits).arg(neededPerLine));

    QByteArrayView data = bytes.sliced(pcxHeaderBytes);
    QList<QRgb> colours;
    if (indexed8) {
        if (bytes.size() < pcxHeaderBytes + paletteTrailerSize || bytes[bytes.size() - paletteTrailerSize] != 0x0C)
            refuse(file, QStringLiteral("no 256-colour table: expected 0x0C and 768 bytes at the end of the file"));
        data.chop(paletteTrailerSize);
        for (int entry = 0; entry < 256; ++entry)
            colours.append(rgbAt(bytes, bytes.size() - 768 + 3 * entry));
    } else if (bits == 1 && planes == 1) {
        colours = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    } else if (!rgb) {
        for (int entry = 0; entry < (planar ? 1 << planes : 16); ++entry)
            colours.append(rgbAt(bytes, 16 + 3 * entry));
    }

    // Each encoded byte or pair gives at most 63 bytes, so shorter data cannot hold the picture:
    // refused before anything the size of the picture is allocated.
    const qint64 rowBytes = qint64{bytesPerLine} * planes;
    const qint64 pictureBytes = rowBytes * height;
    const qint64 leastData = encoded ? (pictureBytes + 62) / 63 : pictureBytes;
    if (data.size() < leastData)
        refuse(file, QStringLiteral("truncated: %1 bytes of pixel data, the picture needs at least %2")
                         .arg(data.size()).arg(leastData));

    QImage picture(width, height, rgb ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (picture.isNull())
        refuse(file, QStringLiteral("out of memory for %1 x %2 pixels").arg(width).arg(height));
    if (!rgb)
        picture.setColorTable(colours);
    PcxStream stream(data, encoded);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes));
    const auto line = static_cast<std::size_t>(bytesPerLine);
    for (int y = 0; y < height; ++y) {
        if (!stream.read(row))
            refuse(file, QStringLiteral("truncated: the pixel data ends in row %1 of %2").arg(y + 1).arg(height));
        uchar* const out = picture.scanLine(y);
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            if (indexed8) {
                out[x] = row[x];
            } else if (rgb) {
                reinterpret_cast<QRgb*>(out)[x] = qRgb(row[x], row[line + x], row[2 * line + x]);
            } else if (packed4) {
                out[x] = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
            } else {
                std::uint8_t index = 0;
                for (int plane = 0; plane < planes; ++plane)
                    index |= ((row[static_cast<std::size_t>(plane) * line + x / 8] >> (7 - x % 8)) & 1) << plane;
                out[x] = index;
            }
        }
    }
    return picture;
}

}  // namespace palshift
