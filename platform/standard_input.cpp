#include "platform/standard_input.h"

#include "platform/descriptor_reading.h"
#include "platform/file_error.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace palshift {

namespace {

std::array<bool, 3> closedAtStart{};
qint64 inputLimit = -1;  // set once, before any thread reads
QString inputLimitReason;

}  // namespace

void guardStandardDescriptors()
{
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        closedAtStart[static_cast<std::size_t>(fd)] = true;
        // The lowest free number is fd itself, as the lower ones are open by now.
        ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    }
}

bool standardDescriptorWasClosed(int fd)
{
    return fd >= 0 && fd < 3 && closedAtStart[static_cast<std::size_t>(fd)];
}

QByteArray readStandardInput(qint64 most)
{
    const QString name = QStringLiteral("standard input");
    if (standardDescriptorWasClosed(STDIN_FILENO))
        throw FileError(name, QStringLiteral("Cannot read %1: it is closed").arg(name));
    if (::isatty(STDIN_FILENO))
        throw FileError(name, QStringLiteral("Cannot read %1: it is a terminal; pipe a picture into it").arg(name));
    if (inputLimit < 0 || inputLimit >= most)
        return readDescriptor(STDIN_FILENO, name, most, 0, false);
    QByteArray bytes = readDescriptor(STDIN_FILENO, name, inputLimit + 1, 0, false);
    if (bytes.size() > inputLimit)
        throw FileError(name, QStringLiteral("%1 holds more than %2 bytes, more than %3").arg(name).arg(inputLimit).arg(inputLimitReason));
    return bytes;
}

void limitStandardInput(qint64 bytes, const QString& why)
{
    inputLimit = bytes;
    inputLimitReason = why;
}

void checkStandardInputNeed(qint64 need)
{
    const QString name = QStringLiteral("standard input");
    if (inputLimit >= 0 && need > inputLimit)
        throw FileError(name, QStringLiteral("%1 needs about %2 bytes of memory, more than %3").arg(name).arg(need).arg(inputLimitReason));
}

}  // namespace palshift
