#include "pictures/byte_input.h"

#include "platform/file_error.h"
#include "platform/native_path.h"
#include "platform/system_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palshift {

namespace {

constexpr std::size_t bufferSize = 256 * 1024;

FileError systemError(const QString& verb, const QString& file, int error)
{
    return FileError(file, QStringLiteral("%1 %2: %3").arg(verb, file, systemReason(error)));
}

}  // namespace

std::size_t MemoryInput::read(std::span<std::uint8_t> into)
{
    const std::size_t count = std::min(into.size(), bytes_.size() - next_);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(next_), count, into.begin());
    next_ += count;
    return count;
}

FileInput::FileInput(const QString& file) : name_(file)
{
    descriptor_ = ::open(nativePath(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor_ < 0)
        throw systemError(QStringLiteral("Cannot open"), file, errno);
    struct stat status {};
    const bool statted = ::fstat(descriptor_, &status) == 0;
    const int error = errno;
    if (!statted || !S_ISREG(status.st_mode)) {
        ::close(descriptor_);
        descriptor_ = -1;
        if (!statted)
            throw systemError(QStringLiteral("Cannot open"), file, error);
        throw FileError(file, QStringLiteral("Cannot open %1: it is not a regular file").arg(file));
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
    buffer_.resize(bufferSize);
}

FileInput::~FileInput()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

std::size_t FileInput::read(std::span<std::uint8_t> into)
{
    std::size_t done = 0;
    while (done < into.size()) {
        if (bufferStart_ == bufferEnd_) {
            // Large reads skip the buffer; small ones (chunk headers) are served from it.
            if (into.size() - done >= buffer_.size()) {
                const std::size_t got = readFile(into.data() + done, into.size() - done);
                done += got;
                if (got == 0)
                    break;
                continue;
            }
            bufferStart_ = 0;
            bufferEnd_ = readFile(buffer_.data(), buffer_.size());
            if (bufferEnd_ == 0)
                break;
        }
        const std::size_t count = std::min(into.size() - done, bufferEnd_ - bufferStart_);
        std::memcpy(into.data() + done, buffer_.data() + bufferStart_, count);
        bufferStart_ += count;
        done += count;
    }
    return done;
}

std::size_t FileInput::readFile(std::uint8_t* into, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(descriptor_, into + done, count - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw systemError(QStringLiteral("Cannot read"), name_, errno);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace palshift
