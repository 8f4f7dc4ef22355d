#include "pictures/picture_completeness.h"
#include "pictures/png_chunks.h"

namespace palshift {

std::optional<QString> pngTruncation(QByteArrayView bytes)
{
    if (!isPng(bytes))
        return std::nullopt;
    const PngChunks walk = pngChunks(bytes);
    if (walk.endsWithIend || walk.malformed)
        return std::nullopt;
    if (!walk.chunks.empty() && walk.chunks.back().end() > bytes.size())
        return QStringLiteral("the picture needs at least %1").arg(walk.chunks.back().end());
    return QStringLiteral("it ends before its IEND chunk");
}

}  // namespace palshift
