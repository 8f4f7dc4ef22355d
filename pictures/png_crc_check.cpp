#include "pictures/picture_completeness.h"
#include "pictures/png_chunks.h"

#include <QtEndian>

#include <zlib.h>

namespace palshift {

// libpng reports a damaged critical chunk on stderr by itself, naming no file; found here first, it
// is refused with the file's name. A damaged ancillary chunk is libpng's to warn about and skip.
std::optional<QString> pngDamage(QByteArrayView bytes)
{
    if (!isPng(bytes))
        return std::nullopt;
    for (const PngChunk& chunk : pngChunks(bytes).chunks) {
        const bool critical = chunk.type.size() == 4 && chunk.type[0] >= 'A' && chunk.type[0] <= 'Z';
        if (!critical || chunk.end() > bytes.size())
            continue;
        const auto* typeAndData = reinterpret_cast<const Bytef*>(bytes.data() + chunk.offset + 4);
        const uLong crc = crc32_z(crc32_z(0, nullptr, 0), typeAndData, std::size_t(chunk.length + 4));
        if (crc != qFromBigEndian<quint32>(bytes.data() + chunk.end() - 4))
            return QStringLiteral("its %1 chunk at byte %2 fails its CRC check")
                .arg(QString::fromLatin1(chunk.type.toByteArray()), QString::number(chunk.offset));
    }
    return std::nullopt;
}

}  // namespace palshift
