#include "platform/system_error.h"

#include <sys/stat.h>

#include <system_error>

namespace palshift {

QString systemReason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));  // strerror is not thread-safe
}

QString fileKind(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
}

}  // namespace palshift
