#include "platform/standard_input.h"

#include "platform/descriptor_reading.h"
#include "platform/file_error.h"

#include <unistd.h>

namespace palshift {

QByteArray readStandardInput(qint64 most)
{
    const QString name = QStringLiteral("standard input");
    if (::isatty(STDIN_FILENO))
        throw FileError(name, QStringLiteral("Cannot read %1: it is a terminal; pipe a picture into it").arg(name));
    return readDescriptor(STDIN_FILENO, name, most, 0, false);
}

}  // namespace palshift
