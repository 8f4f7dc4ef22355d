#pragma once

#include <QString>

namespace palshift {

// name with ".bmp" appended unless it already ends in exactly ".bmp" (".BMP" does not count).
QString withBmpExtension(const QString& name);

enum class SaveFormat { Bmp, Png, Pcx, Dc6 };

// The name a save writes: one ending in exactly ".png" or ".pcx", or ".dc6" in any case, as it is, any other
// withBmpExtension.
QString savedName(const QString& name);
// The format a saved name is written in, from its ending as savedName reads it.
SaveFormat saveFormatOf(const QString& name);

}  // namespace palshift
