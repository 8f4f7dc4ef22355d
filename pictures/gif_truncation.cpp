#include "pictures/picture_completeness.h"

namespace palshift {

namespace {

qint64 colourTableBytes(quint8 flags)
{
    return (flags & 0x80) ? qint64{3} << ((flags & 7) + 1) : 0;
}

}  // namespace

// Walks the blocks as they are laid out, without decoding: header, screen descriptor, global
// colour table, then extensions and images, each image's data in sub-blocks, up to the trailer.
std::optional<QString> gifTruncation(QByteArrayView bytes)
{
    if (!bytes.startsWith("GIF87a") && !bytes.startsWith("GIF89a"))
        return std::nullopt;
    const qint64 size = bytes.size();
    const auto at = [&](qint64 offset) { return quint8(bytes[qsizetype(offset)]); };
    const auto needs = [](qint64 end) { return QStringLiteral("the picture needs at least %1").arg(end); };

    if (size < 13)
        return needs(13);
    qint64 next = 13 + colourTableBytes(at(10));
    if (next > size)
        return needs(next);
    for (;;) {
        if (next >= size)
            return QStringLiteral("it ends before its trailer");
        const quint8 block = at(next);
        if (block == 0x21) {
            next += 2;  // introducer, label
        } else if (block == 0x2C) {
            if (next + 10 > size)
                return needs(next + 10);
            next += 10 + colourTableBytes(at(next + 9));
            next += 1;  // LZW minimum code size
        } else {
            return std::nullopt;  // the trailer (0x3B), or a byte no block starts with: the decoder's to judge
        }
        for (;;) {  // sub-blocks, up to the empty one
            if (next >= size)
                return needs(next + 1);
            const quint8 length = at(next);
            next += 1 + length;
            if (length == 0)
                break;
            if (next > size)
                return needs(next);
        }
    }
}

}  // namespace palshift
