#include "bmp/save_name.h"

namespace palshift {

QString withBmpExtension(const QString& name)
{
    const QString extension = QStringLiteral(".bmp");
    return name.endsWith(extension, Qt::CaseSensitive) ? name : name + extension;
}

}  // namespace palshift
