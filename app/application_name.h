#pragma once

#include <QCoreApplication>

namespace palshift {

// The name and version that --help, --version and the settings use; PALSHIFT_VERSION comes from the build.
inline void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("palshift"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PALSHIFT_VERSION));
}

}  // namespace palshift
