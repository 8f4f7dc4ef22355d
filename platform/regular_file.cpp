#include "platform/regular_file.h"

#include "platform/descriptor_reading.h"
#include "platform/file_error.h"
#include "platform/native_path.h"
#include "platform/system_error.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palshift {

namespace {

constexpr std::size_t bufferSize = 256 * 1024;

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

std::size_t RegularFile::readOn(std::span<std::uint8_t> into)
{
    std::size_t done = 0;
    while (done < into.size()) {
        if (bufferStart_ == bufferEnd_) {
            // Large reads skip the buffer; small ones (chunk headers) are served from it.
            if (into.size() - done >= bufferSize) {
                const std::size_t got = readDirect(into.data() + done, into.size() - done);
                done += got;
                if (got == 0)
                    break;
                continue;
            }
            // Left unfilled: a small file touches only the pages it is read into.
            if (!buffer_)
                buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize);
            bufferStart_ = 0;
            bufferEnd_ = readDirect(buffer_.get(), bufferSize);
            if (bufferEnd_ == 0)
                break;
        }
        const std::size_t count = std::min(into.size() - done, bufferEnd_ - bufferStart_);
        std::copy_n(buffer_.get() + bufferStart_, count, into.begin() + static_cast<std::ptrdiff_t>(done));
        bufferStart_ += count;
        done += count;
    }
    return done;
}

std::size_t RegularFile::readDirect(std::uint8_t* into, std::size_t count)
{
    if (descriptor_ < 0) {
        const auto size = static_cast<std::uint64_t>(builtIn_.size());
        const auto got = static_cast<std::size_t>(std::min<std::uint64_t>(count, size - std::min(next_, size)));
        std::copy_n(builtIn_.constData() + next_, got, into);
        next_ += got;
        return got;
    }
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(descriptor_, into + done, count - done, static_cast<off_t>(next_));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw FileError(file_, QStringLiteral("Cannot read %1: %2").arg(file_, systemReason(errno)));
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
        next_ += static_cast<std::uint64_t>(got);
    }
    return done;
}

}  // namespace palshift
