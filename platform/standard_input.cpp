#include "platform/standard_input.h"

#include "platform/file_error.h"
#include "platform/system_error.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace palshift {

QByteArray readStandardInput(qint64 most)
{
    const QString name = QStringLiteral("standard input");
    if (::isatty(STDIN_FILENO))
        throw FileError(name, QStringLiteral("Cannot read %1: it is a terminal; pipe a picture into it").arg(name));
    QByteArray bytes;
    qint64 filled = 0;
    while (filled < most) {
        if (filled == bytes.size())
            bytes.resize(std::min(most, std::max<qint64>(2 * filled, 65536)));
        const ssize_t got = ::read(STDIN_FILENO, bytes.data() + filled, std::size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN) {  // a descriptor left non-blocking by whoever started us
            pollfd ready{STDIN_FILENO, POLLIN, 0};
            ::poll(&ready, 1, -1);
            continue;
        }
        if (got < 0)
            throw FileError(name, QStringLiteral("Cannot read %1: %2").arg(name, systemReason(errno)));
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

}  // namespace palshift
