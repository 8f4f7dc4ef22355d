#include "pictures/picture_completeness.h"

namespace palshift {

// Only an uncompressed TGA (types 1, 2 and 3) tells its size in bytes without decoding: the
// 18-byte header, the image ID, the colour map and the pixels, then the footer when there is one.
std::optional<QString> tgaTruncation(QByteArrayView bytes)
{
    if (bytes.size() < 18)
        return QStringLiteral("a TGA header needs 18");
    const auto at = [&](qsizetype offset) { return quint8(bytes[offset]); };
    const auto word = [&](qsizetype offset) { return qint64{at(offset)} | qint64{at(offset + 1)} << 8; };
    const int type = at(2);
    if (type != 1 && type != 2 && type != 3)
        return std::nullopt;
    const qint64 colourMap = at(1) == 1 ? word(5) * ((at(7) + 7) / 8) : 0;
    const qint64 pixels = word(12) * word(14) * ((at(16) + 7) / 8);
    const qint64 end = 18 + at(0) + colourMap + pixels;
    static constexpr QByteArrayView footer("TRUEVISION-XFILE.\0", 18);
    const qint64 available = bytes.size() - (bytes.endsWith(footer) ? 26 : 0);
    if (end > available)
        return QStringLiteral("the pixels end at %1").arg(end);
    return std::nullopt;
}

}  // namespace palshift
