#include "pictures/picture_end.h"

#include <algorithm>
#include <cstdlib>

namespace palshift {

bool PictureHead::readTo(qint64 end)
{
    // Pieces of at least this much keep the reads few; the walk's end is then at most this far back.
    constexpr qint64 piece = 64 << 10;
    while (!ended_ && base_ + bytes_.size() < end && end <= most_) {
        if (held_ == Held::Recent) {
            const qint64 drop = std::clamp(end - lookBack - base_, qint64{0}, qint64{bytes_.size()});
            bytes_.remove(0, qsizetype(drop));
            base_ += drop;
        }
        const qint64 have = base_ + bytes_.size();
        // Never more at once than the file holds: a chunk may claim gigabytes in a small file.
        qint64 want = std::min({std::max(end - have, piece), most_ - have, std::max(file_.size() - have, piece)});
        if (held_ == Held::Recent)
            want = std::min(want, piece);
        const qsizetype held = bytes_.size();
        bytes_.resize(qsizetype(held + want));
        const std::size_t got = file_.readOn(std::span(reinterpret_cast<std::uint8_t*>(bytes_.data()) + held, std::size_t(want)));
        bytes_.resize(qsizetype(held + qint64(got)));
        ended_ = qint64(got) < want;
    }
    return end <= base_ + bytes_.size();
}

namespace {

bool startsWith(PictureHead& head, std::initializer_list<quint8> signature)
{
    if (!head.reach(qint64(signature.size())))
        return false;
    qint64 offset = 0;
    for (const quint8 byte : signature)
        if (head.at(offset++) != byte)
            return false;
    return true;
}

qint64 littleEndian(PictureHead& head, qint64 offset, int bytes)
{
    qint64 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | head.at(offset + i);
    return value;
}

qint64 bigEndian(PictureHead& head, qint64 offset, int bytes)
{
    qint64 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | head.at(offset + i);
    return value;
}

std::optional<qint64> gifEnd(PictureHead& head)
{
    const auto table = [](quint8 flags) { return (flags & 0x80) ? qint64{3} << ((flags & 7) + 1) : 0; };
    if (!head.reach(13))
        return std::nullopt;
    qint64 next = 13 + table(head.at(10));
    for (;;) {
        if (!head.reach(next + 1))
            return std::nullopt;
        const quint8 block = head.at(next);
        if (block == 0x3B)
            return next + 1;
        if (block == 0x21) {
            next += 2;
        } else if (block == 0x2C) {
            if (!head.reach(next + 10))
                return std::nullopt;
            next += 10 + table(head.at(next + 9)) + 1;  // the descriptor, its table, the LZW code size
        } else {
            return std::nullopt;
        }
        for (quint8 length = 1; length != 0; next += 1 + length) {
            if (!head.reach(next + 1))
                return std::nullopt;
            length = head.at(next);
        }
    }
}

std::optional<qint64> pngEnd(PictureHead& head)
{
    for (qint64 next = 8;;) {
        if (!head.reach(next + 8))
            return std::nullopt;
        const qint64 length = bigEndian(head, next, 4);
        if (length > 0x7fffffff)
            return std::nullopt;
        const qint64 end = next + 12 + length;
        if (bigEndian(head, next + 4, 4) == 0x49454e44)  // IEND
            return head.reach(end) ? std::optional(end) : std::nullopt;
        next = end;
    }
}

// Qt's reader takes the pixels at the header's offset, or after the headers and the colour table
// when the offset points inside them, so the end leaves room for the largest table and the masks.
std::optional<qint64> bmpEnd(PictureHead& head)
{
    if (!head.reach(18))
        return std::nullopt;
    const qint64 infoSize = littleEndian(head, 14, 4);
    if (infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 && infoSize != 108 && infoSize != 124)
        return std::nullopt;
    if (!head.reach(14 + 40))
        return std::nullopt;
    const qint64 width = qint32(littleEndian(head, 18, 4)), height = std::abs(qint64{qint32(littleEndian(head, 22, 4))});
    const qint64 bits = littleEndian(head, 28, 2), compression = littleEndian(head, 30, 4);
    if (width <= 0 || height == 0 || width > (1 << 24) || height > (1 << 24)
        || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)
        || !(compression == 0 || compression == 3 || compression == 6))
        return std::nullopt;  // compressed pixels run to their end code, not to a size
    const qint64 pixels = (width * bits + 31) / 32 * 4 * height;
    const qint64 end = std::max(littleEndian(head, 10, 4), 14 + infoSize + 16 + 256 * 4) + pixels;
    // A file shorter than that is the decoder's to judge, and is read whole.
    return head.reach(end) ? std::optional(end) : std::nullopt;
}

std::optional<qint64> jpegEnd(PictureHead& head)
{
    for (qint64 next = 2;;) {
        if (!head.reach(next + 2) || head.at(next) != 0xFF)
            return std::nullopt;
        const quint8 marker = head.at(next + 1);
        if (marker == 0xD9)
            return next + 2;
        if (marker == 0xFF) {  // fill
            next += 1;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
            next += 2;
            continue;
        }
        if (!head.reach(next + 4) || bigEndian(head, next + 2, 2) < 2)
            return std::nullopt;
        next += 2 + bigEndian(head, next + 2, 2);
        if (marker != 0xDA)
            continue;
        // The entropy-coded data run to the next marker: 0xFF not followed by a stuffed 0 or a restart.
        for (;; ++next) {
            if (!head.reach(next + 2))
                return std::nullopt;
            const quint8 after = head.at(next + 1);
            if (head.at(next) == 0xFF && after != 0 && !(after >= 0xD0 && after <= 0xD7))
                break;
        }
    }
}

}  // namespace

std::optional<qint64> pictureEnd(PictureHead& head)
{
    if (startsWith(head, {'G', 'I', 'F', '8', '7', 'a'}) || startsWith(head, {'G', 'I', 'F', '8', '9', 'a'}))
        return gifEnd(head);
    if (startsWith(head, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}))
        return pngEnd(head);
    if (startsWith(head, {'B', 'M'}))
        return bmpEnd(head);
    if (startsWith(head, {0xFF, 0xD8}))
        return jpegEnd(head);
    return std::nullopt;
}

}  // namespace palshift
