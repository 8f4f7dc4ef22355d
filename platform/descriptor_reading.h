#pragma once

#include <QByteArray>
#include <QString>

namespace palshift {

// Reads descriptor to its end, up to most bytes: from the file's start when fromStart (so a
// regular file reads alike every time), else on from where it stands (a pipe). expected sizes the
// first buffer. Throws FileError "Cannot read <name>: <reason>".
QByteArray readDescriptor(int descriptor, const QString& name, qint64 most, qint64 expected, bool fromStart);

}  // namespace palshift
