#include "platform/native_path.h"

#include <climits>

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace palshift {

namespace {

constexpr char16_t escapeBase = 0xDC00;  // + a byte from 0x80 to 0xFF

// The length of the valid UTF-8 sequence at bytes[at], or 0 when there is none (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate, a value above U+10FFFF).
int validSequenceLength(const QByteArray& bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80)
        return 1;
    int length = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > bytes.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (int i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

}  // namespace

QString pathFromNative(const QByteArray& bytes)
{
    QString path;
    path.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype end = at;
        int length = 0;
        while (end < bytes.size() && (length = validSequenceLength(bytes, end)) > 0)
            end += length;
        path += QString::fromUtf8(bytes.constData() + at, end - at);
        if (end < bytes.size())
            path += QChar(static_cast<char16_t>(escapeBase + static_cast<std::uint8_t>(bytes[end++])));
        at = end;
    }
    return path;
}

QByteArray nativePath(const QString& path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype at = 0;
    while (at < path.size()) {
        qsizetype end = at;
        while (end < path.size() && !(path[end].unicode() >= escapeBase + 0x80 && path[end].unicode() <= escapeBase + 0xFF))
            ++end;
        bytes += QStringView(path).mid(at, end - at).toUtf8();
        if (end < path.size())
            bytes += static_cast<char>(path[end++].unicode() - escapeBase);
        at = end;
    }
    return bytes;
}

bool openForReading(const QString& path, QFile& file, QString& reason)
{
    const QByteArray native = nativePath(path);
    if (QFile::encodeName(path) == native) {  // Qt's own way keeps its file-name hints
        file.setFileName(path);
        if (file.open(QIODevice::ReadOnly))
            return true;
        reason = file.errorString();
        return false;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        reason = QString::fromStdString(std::generic_category().message(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    return true;
}

QStringList argumentsFromNative(int argc, const char* const argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(pathFromNative(QByteArray(argv[i])));
    return arguments;
}

QByteArray danglingLinkTarget(const QByteArray& path)
{
    QByteArray name = path;
    for (int links = 0; links < 40; ++links) {
        struct stat status{};
        if (::lstat(name.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return name;
        QByteArray target(static_cast<qsizetype>(status.st_size > 0 ? status.st_size : PATH_MAX), '\0');
        const ssize_t length = ::readlink(name.constData(), target.data(), static_cast<std::size_t>(target.size()));
        if (length <= 0 || length > target.size())
            return name;
        target.truncate(length);
        const qsizetype slash = name.lastIndexOf('/');
        name = target.startsWith('/') || slash < 0 ? target : name.left(slash + 1) + target;
    }
    return path;
}

}  // namespace palshift
