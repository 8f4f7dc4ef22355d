#include "pictures/png_chunks.h"

#include <QtEndian>

namespace palshift {

bool isPng(QByteArrayView bytes)
{
    return bytes.startsWith(QByteArrayView("\x89PNG\r\n\x1a\n", 8));
}

PngChunks pngChunks(QByteArrayView bytes)
{
    PngChunks walk;
    qsizetype offset = 8;
    while (offset < bytes.size()) {
        if (bytes.size() - offset < 8) {  // not even the length and the type
            walk.chunks.push_back({offset, {}, 0});
            return walk;
        }
        const qint64 length = qFromBigEndian<quint32>(bytes.data() + offset);
        if (length > 0x7fffffff) {
            walk.malformed = true;
            return walk;
        }
        const PngChunk chunk{offset, bytes.sliced(offset + 4, 4), length};
        walk.chunks.push_back(chunk);
        if (chunk.end() > bytes.size())
            return walk;
        if (chunk.type == QByteArrayView("IEND")) {
            walk.endsWithIend = true;
            return walk;
        }
        offset = qsizetype(chunk.end());
    }
    return walk;
}

}  // namespace palshift
