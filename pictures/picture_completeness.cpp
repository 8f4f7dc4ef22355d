#include "pictures/picture_completeness.h"

#include "platform/file_error.h"

namespace palshift {

void checkPictureComplete(QByteArrayView bytes, const QString& name)
{
    for (const auto check : {bmpTruncation, gifTruncation, pngTruncation}) {
        if (const std::optional<QString> missing = check(bytes))
            throw FileError(name, QStringLiteral("%1: truncated: %2 bytes, %3").arg(name, QString::number(bytes.size()), *missing));
    }
    if (const std::optional<QString> missing = gifMissingPixels(bytes))
        throw FileError(name, QStringLiteral("%1: its image data ends early: %2").arg(name, *missing));
    if (const std::optional<QString> surplus = pngSurplus(bytes))
        throw FileError(name, QStringLiteral("%1: %2").arg(name, *surplus));
    if (const std::optional<QString> damage = pngDamage(bytes))
        throw FileError(name, QStringLiteral("%1: damaged: %2").arg(name, *damage));
}

}  // namespace palshift
