#include "platform/descriptor_reading.h"

#include "platform/file_error.h"
#include "platform/system_error.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace palshift {

QByteArray readDescriptor(int descriptor, const QString& name, qint64 most, qint64 expected, bool fromStart)
{
    QByteArray bytes;
    bytes.resize(std::min(most, expected));
    qint64 filled = 0;
    while (filled < most) {
        if (filled == bytes.size())
            bytes.resize(std::min(most, std::max<qint64>(2 * filled, 65536)));
        char* const into = bytes.data() + filled;
        const auto room = static_cast<std::size_t>(bytes.size() - filled);
        const ssize_t got = fromStart ? ::pread(descriptor, into, room, filled) : ::read(descriptor, into, room);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN) {  // a descriptor left non-blocking by whoever started us
            pollfd ready{descriptor, POLLIN, 0};
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
