#include "platform/regular_file.h"

#include "platform/descriptor_reading.h"
#include "platform/file_error.h"
#include "platform/native_path.h"
#include "platform/system_error.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palshift {

namespace {

[[noreturn]] void refuseKind(const QString& file, mode_t mode)
{
    throw FileError(file, QStringLiteral("Cannot open %1: it is %2, not a file").arg(file, fileKind(mode)));
}

}  // namespace

RegularFile::RegularFile(const QString& file) : file_(file)
{
    if (file.startsWith(QLatin1Char(':'))) {
        QFile resource(file);
        if (!resource.open(QIODevice::ReadOnly))
            throw FileError(file, QStringLiteral("Cannot open %1: %2").arg(file, resource.errorString()));
        builtIn_ = resource.readAll();
        size_ = builtIn_.size();
        return;
    }

    const QByteArray path = nativePath(file);
    // O_NONBLOCK: a FIFO without a writer, or a device, must not hold the open up.
    descriptor_ = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor_ < 0) {
        const int error = errno;
        struct stat status {};
        if (::stat(path.constData(), &status) == 0 && !S_ISREG(status.st_mode))
            refuseKind(file, status.st_mode);  // a socket cannot be opened at all: say what it is
        throw FileError(file, QStringLiteral("Cannot open %1: %2").arg(file, systemReason(error)));
    }
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        const int error = errno;
        ::close(descriptor_);
        throw FileError(file, QStringLiteral("Cannot open %1: %2").arg(file, systemReason(error)));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor_);
        refuseKind(file, status.st_mode);
    }
    size_ = status.st_size;
}

RegularFile::~RegularFile()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

QByteArray RegularFile::read(qint64 most)
{
    if (descriptor_ < 0)
        return builtIn_.left(most);

    // The size is a hint only: the file may have changed since it was opened.
    return readDescriptor(descriptor_, file_, most, size_ + 1, true);
}

}  // namespace palshift
