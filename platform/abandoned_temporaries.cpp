#include "platform/abandoned_temporaries.h"

#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace palshift {

namespace {

QByteArray readProc(const QByteArray& path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The start time of process pid in clock ticks after boot, the 22nd field of its stat line (the
// 2nd, its name in parentheses, may hold spaces and parentheses). Nothing when /proc has no such
// process (errno ENOENT) or cannot say.
std::optional<QByteArray> startTimeOf(const QByteArray& pid)
{
    const QByteArray stat = readProc("/proc/" + pid + "/stat");
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(nameEnd + 2).split(' ');  // from the 3rd field on
    if (fields.size() < 20 || fields[19].isEmpty())
        return std::nullopt;
    return fields[19];
}

// Whether process pid, started at start, has ended: no such pid, or one started at another time.
bool provablyEnded(const QByteArray& pid, const QByteArray& start)
{
    struct stat status{};
    if (::stat(("/proc/" + pid).constData(), &status) != 0)
        return errno == ENOENT && ::stat("/proc/self", &status) == 0;
    const std::optional<QByteArray> started = startTimeOf(pid);
    return started && *started != start;
}

// 16 hex digits that differ between machines, boots and pid namespaces: a hash of the boot id and
// the namespace, which together with a pid and its start time name one process of one machine.
QByteArray writerId()
{
    const QByteArray boot = readProc("/proc/sys/kernel/random/boot_id").trimmed();
    char name[64];
    const ssize_t length = ::readlink("/proc/self/ns/pid", name, sizeof name);
    if (boot.size() < 32 || length <= 0)
        return {};
    std::uint64_t hash = 14695981039346656037u;  // FNV-1a
    for (const char c : boot + '/' + QByteArray(name, length))
        hash = (hash ^ std::uint8_t(c)) * 1099511628211u;
    return QByteArray::number(qulonglong(hash), 16).rightJustified(16, '0');
}

}  // namespace

QByteArray temporaryNameTag()
{
    static const QByteArray tag = [] {
        const QByteArray writer = writerId();
        const QByteArray pid = QByteArray::number(::getpid());
        const std::optional<QByteArray> start = startTimeOf("self");
        return writer.isEmpty() || !start ? QByteArray() : "palshift-" + writer + '-' + pid + '-' + *start + '-';
    }();
    return tag;
}

void removeAbandonedTemporaries(const QByteArray& folder)
{
    const QByteArray tag = temporaryNameTag();
    if (tag.isEmpty())
        return;
    static std::mutex mutex;
    static std::set<QByteArray> done;
    {
        const std::lock_guard lock(mutex);
        if (!done.insert(folder).second)
            return;
    }
    const QByteArray writer = tag.mid(9, 16);
    static const QRegularExpression name(QStringLiteral("^.+\\.palshift-([0-9a-f]{16})-([1-9][0-9]{0,9})-([0-9]{1,20})-[A-Za-z0-9]{6}$"));
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* entries = ::fdopendir(fd);
    if (entries == nullptr) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        if (std::strstr(entry->d_name, ".palshift-") == nullptr)
            continue;  // most names, without building a string
        const QRegularExpressionMatch match = name.match(QString::fromLatin1(entry->d_name));
        if (!match.hasMatch() || match.captured(1).toLatin1() != writer)
            continue;
        struct stat status{};
        if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode)
            || status.st_uid != ::geteuid())
            continue;
        if (provablyEnded(match.captured(2).toLatin1(), match.captured(3).toLatin1()))
            ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(entries);
}

}  // namespace palshift
