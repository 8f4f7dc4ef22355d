#pragma once

#include <QString>

namespace palshift {

// name with ".bmp" appended unless it already ends in exactly ".bmp" (".BMP" does not count).
QString withBmpExtension(const QString& name);

}  // namespace palshift
