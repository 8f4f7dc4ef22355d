#pragma once

#include "platform/file_error.h"

#include <QString>

namespace palshift {

// The readers' one way to refuse a palette: "<file>: <reason>".
[[noreturn]] inline void refusePalette(const QString& file, const QString& reason)
{
    throw FileError(file, QStringLiteral("%1: %2").arg(file, reason));
}

inline void checkPaletteCount(const QString& file, long long colours)
{
    if (colours != 256)
        refusePalette(file, QStringLiteral("holds %1 colours; a palette needs 256").arg(colours));
}

}  // namespace palshift
