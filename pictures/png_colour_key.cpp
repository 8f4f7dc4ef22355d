#include "pictures/png_colour_key.h"

#include "pictures/image_conversion.h"
#include "pictures/png_chunks.h"

#include <QtEndian>

namespace palshift {

namespace {

constexpr quint8 greyType = 0, rgbType = 2;

quint16 bigEndian16(QByteArrayView bytes, qsizetype offset)
{
    return qFromBigEndian<quint16>(bytes.data() + offset);
}

// For each pixel of source (at full depth) that matches the key, alpha 0 in the same pixel of target.
template <typename Pixel, typename Matches, typename Clear>
void markKey(const QImage& source, QImage& target, Matches matches, Clear clear)
{
    for (int y = 0; y < source.height(); ++y) {
        const auto* from = reinterpret_cast<const Pixel*>(source.constScanLine(y));
        uchar* to = target.scanLine(y);
        for (int x = 0; x < source.width(); ++x)
            if (matches(from[x]))
                clear(to, x);
    }
}

void clearArgb32(uchar* row, int x)
{
    auto* pixel = reinterpret_cast<QRgb*>(row) + x;
    *pixel &= 0x00ffffffu;
}

void clearRgba64(uchar* row, int x)
{
    reinterpret_cast<QRgba64*>(row)[x].setAlpha(0);
}

}  // namespace

std::optional<KeyedPng> splitColourKey(QByteArrayView bytes)
{
    if (!isPng(bytes))
        return std::nullopt;
    const PngChunks walk = pngChunks(bytes);
    if (walk.chunks.empty() || walk.chunks.front().type != QByteArrayView("IHDR") || walk.chunks.front().length != 13
        || walk.chunks.front().end() > bytes.size())
        return std::nullopt;
    const qsizetype header = walk.chunks.front().offset + 8;
    const int bitDepth = quint8(bytes[header + 8]);
    const quint8 colourType = quint8(bytes[header + 9]);
    if (colourType != greyType && colourType != rgbType)
        return std::nullopt;

    for (const PngChunk& chunk : walk.chunks) {
        if (chunk.type != QByteArrayView("tRNS") || chunk.end() > bytes.size())
            continue;
        const qsizetype data = chunk.offset + 8;
        PngColourKey key{colourType == greyType, bitDepth, 0, 0, 0};
        if (key.grey && chunk.length == 2)
            key.red = key.green = key.blue = bigEndian16(bytes, data);
        else if (!key.grey && chunk.length == 6)
            key = {false, bitDepth, bigEndian16(bytes, data), bigEndian16(bytes, data + 2), bigEndian16(bytes, data + 4)};
        else
            return std::nullopt;  // a malformed key: the decoder's to judge, as before
        QByteArray withoutKey = bytes.first(chunk.offset).toByteArray();
        withoutKey.append(bytes.sliced(qsizetype(chunk.end())));
        return KeyedPng{key, std::move(withoutKey)};
    }
    return std::nullopt;
}

QImage applyColourKey(const QImage& picture, const PngColourKey& key)
{
    switch (picture.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: {
        // A grey of fewer than 8 bits: one table entry per grey level, spread over 0 to 255.
        const int levels = (1 << key.bitDepth) - 1;
        if (!key.grey || key.bitDepth >= 8 || key.red > levels)
            return picture;
        const int grey = key.red * 255 / levels;
        QImage keyed = picture;
        QList<QRgb> table = keyed.colorTable();
        for (QRgb& entry : table)
            if (entry == qRgb(grey, grey, grey))
                entry &= 0x00ffffffu;
        keyed.setColorTable(table);
        return keyed;
    }
    case QImage::Format_Grayscale8: {
        if (key.bitDepth != 8)
            return picture;
        QImage keyed = convertedHere(picture, QImage::Format_ARGB32);
        if (!keyed.isNull())
            markKey<quint8>(picture, keyed, [&](quint8 grey) { return grey == key.red; }, clearArgb32);
        return keyed;
    }
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32: {
        if (key.bitDepth != 8)
            return picture;
        QImage keyed = convertedHere(picture, QImage::Format_ARGB32);
        if (!keyed.isNull())
            markKey<QRgb>(picture, keyed, [&](QRgb pixel) {
                return qRed(pixel) == key.red && qGreen(pixel) == key.green && qBlue(pixel) == key.blue;
            }, clearArgb32);
        return keyed;
    }
    case QImage::Format_Grayscale16: {
        if (key.bitDepth != 16)
            return picture;
        QImage keyed = convertedHere(picture, QImage::Format_RGBA64);
        if (!keyed.isNull())
            markKey<quint16>(picture, keyed, [&](quint16 grey) { return grey == key.red; }, clearRgba64);
        return keyed;
    }
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64: {
        if (key.bitDepth != 16)
            return picture;
        QImage keyed = convertedHere(picture, QImage::Format_RGBA64);
        if (!keyed.isNull())
            markKey<QRgba64>(picture, keyed, [&](QRgba64 pixel) {
                return pixel.red() == key.red && pixel.green() == key.green && pixel.blue() == key.blue;
            }, clearRgba64);
        return keyed;
    }
    default:
        return picture;  // no format Qt gives these PNGs: the colours are kept in any case
    }
}

}  // namespace palshift
