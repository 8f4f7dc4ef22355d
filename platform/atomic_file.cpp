#include "platform/atomic_file.h"

#include "platform/abandoned_temporaries.h"
#include "platform/file_error.h"
#include "platform/native_path.h"
#include "platform/system_error.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace palshift {

namespace {

constexpr std::size_t earlyFlushBytes = 256 * 1024;

// The names of the temporaries that exist now, where a signal handler can read them: no locks, no
// allocation. A save that finds no free slot (more than this many at once) still works; only its
// temporary may outlive an interruption.
struct PendingTemporary {
    std::atomic<bool> taken{false};
    std::atomic<bool> named{false};
    char path[PATH_MAX]{};
};
PendingTemporary pendingTemporaries[128];
static_assert(std::atomic<bool>::is_always_lock_free);

int takeSlot()
{
    for (int slot = 0; slot < static_cast<int>(std::size(pendingTemporaries)); ++slot) {
        bool expected = false;
        if (pendingTemporaries[slot].taken.compare_exchange_strong(expected, true))
            return slot;
    }
    return -1;
}

// Withdrawn first, so that the handler never reads a name half copied.
void announce(int slot, const QByteArray& path)
{
    if (slot < 0 || path.size() >= PATH_MAX)
        return;
    PendingTemporary& pending = pendingTemporaries[slot];
    pending.named.store(false, std::memory_order_release);
    std::memcpy(pending.path, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    pending.named.store(true, std::memory_order_release);
}

void release(int slot)
{
    if (slot < 0)
        return;
    pendingTemporaries[slot].named.store(false, std::memory_order_release);
    pendingTemporaries[slot].taken.store(false, std::memory_order_release);
}

[[noreturn]] void removeTemporariesAndExitNow(int signal)
{
    for (PendingTemporary& pending : pendingTemporaries)
        if (pending.named.load(std::memory_order_acquire))
            ::unlink(pending.path);
    ::_exit(128 + signal);
}

// Saves between making a temporary name and announcing it, or between the rename and withdrawing
// the name. An interruption waits for them, so that it neither misses a temporary nor removes one
// halfway through a rename (which would report a false failure); the last to finish ends the run.
std::atomic<int> savesNaming{0};
std::atomic<int> interruptedBy{0};
static_assert(std::atomic<int>::is_always_lock_free);
void (*namingHook)() = nullptr;

void leaveNaming()
{
    if (savesNaming.fetch_sub(1) == 1)
        if (const int signal = interruptedBy.load())
            removeTemporariesAndExitNow(signal);
}

// Each side writes its own flag before reading the other's: one of the two sees the other.
class Naming {
public:
    Naming()
    {
        savesNaming.fetch_add(1);
        if (interruptedBy.load() != 0) {
            leaveNaming();
            for (;;)
                ::pause();  // the run is ending on the thread that took the signal
        }
    }
    ~Naming() { leaveNaming(); }
    Naming(const Naming&) = delete;
    Naming& operator=(const Naming&) = delete;
};

extern "C" void removeTemporariesAndExit(int signal)
{
    interruptedBy.store(signal);
    if (savesNaming.load() == 0)
        removeTemporariesAndExitNow(signal);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// "<path>.<tag><6 random letters>", so that a later save can tell an abandoned one; without the
// tag where the name would be too long for the folder or /proc cannot say who writes.
QByteArray temporaryNameFor(const QByteArray& path, bool tagged)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    QByteArray name = path + '.' + (tagged ? temporaryNameTag() : QByteArray());
    for (int i = 0; i < 6; ++i)
        name += letters[pick(random)];
    return name;
}

int retryingOnInterrupt(auto call)
{
    int result = 0;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

}  // namespace

AtomicFile::AtomicFile(const QString& target, Temporary temporary) : target_(target)
{
    try {
        open(temporary);
    } catch (...) {
        discard();
        throw;
    }
}

void AtomicFile::open(Temporary temporary)
{
    const QString target = target_;
    if (target == QStringLiteral("-")) {
        target_ = QStringLiteral("standard output");
        fd_ = STDOUT_FILENO;
        toStandardOutput_ = true;
        return;
    }
    if (target.isEmpty())
        throw FileError(target, QStringLiteral("Cannot write the picture: no file name was given"));

    replaced_ = danglingLinkTarget(nativePath(target));
    struct stat existing{};
    const bool exists = ::stat(replaced_.constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        throw FileError(target, QStringLiteral("Cannot write %1: it is %2, not a regular file")
                                    .arg(target, fileKind(existing.st_mode)));
    if (exists) {
        char resolved[PATH_MAX];
        if (::realpath(replaced_.constData(), resolved) == nullptr)
            fail(errno);
        replaced_ = resolved;
    }

    slot_ = takeSlot();
    constexpr int flags = O_WRONLY | O_CLOEXEC;
    if (temporary == Temporary::Anonymous) {
        fd_ = retryingOnInterrupt([&] { return ::open(folderOf(replaced_).constData(), O_TMPFILE | flags, 0666); });
        if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            fail(errno);
    }
    if (fd_ < 0) {
        removeAbandonedTemporaries(folderOf(replaced_));
        const Naming naming;
        fd_ = createNamedTemporary([&](const QByteArray& name) {
            return retryingOnInterrupt([&] { return ::open(name.constData(), O_CREAT | O_EXCL | flags, 0666); });
        });
        if (namingHook)
            namingHook();
        // Only once the name is ours: before, it may be another's file, which an interruption would remove.
        announce(slot_, temporary_);
    }
    if (exists && retryingOnInterrupt([&] { return ::fchmod(fd_, existing.st_mode & 07777); }) != 0)
        fail(errno);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard() noexcept
{
    if (fd_ >= 0 && !toStandardOutput_)
        ::close(fd_);
    fd_ = -1;
    if (!committed_ && !temporary_.isEmpty())
        ::unlink(temporary_.constData());
    release(slot_);
    slot_ = -1;
}

void AtomicFile::failFolder(int error) const
{
    throw FileError(target_, QStringLiteral("Cannot write %1: it is in place, but its folder could not be flushed, "
                                            "so a crash may still undo the save: %2")
                                 .arg(target_, systemReason(error)));
}

void setSaveNamingHook(void (*hook)())
{
    namingHook = hook;
}

void AtomicFile::fail(int error) const
{
    throw FileError(target_, QStringLiteral("Cannot write %1: %2").arg(target_, systemReason(error)));
}

void AtomicFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    if (toStandardOutput_) {
        if (offset != streamed_)
            throw std::logic_error("standard output is written in order, without seeking");
        write(bytes);
        return;
    }
    const std::uint64_t start = offset;
    const std::size_t length = bytes.size();
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            fail(errno);
        if (written == 0)
            fail(ENOSPC);
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
    // Sets the disk to work on a large piece now, so that the flush before the rename finds less
    // to wait for. Only a hint: the flush reports every failure.
    if (length >= earlyFlushBytes)
        ::sync_file_range(fd_, static_cast<off_t>(start), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
}

void AtomicFile::write(std::span<const std::uint8_t> bytes)
{
    streamed_ += bytes.size();
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            fail(errno);
        if (written == 0)
            fail(ENOSPC);  // no progress and no reason: what a full device does
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

void AtomicFile::linkTemporaryName()
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
    removeAbandonedTemporaries(folderOf(replaced_));
    const Naming naming;
    createNamedTemporary([&](const QByteArray& name) {
        const int linked = retryingOnInterrupt(
            [&] { return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW); });
        if (linked != 0 && errno == ENOENT)  // no /proc
            return retryingOnInterrupt([&] { return ::linkat(fd_, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH); });
        return linked;
    });
    announce(slot_, temporary_);  // only now: before, the name may be another's file
}

int AtomicFile::createNamedTemporary(const std::function<int(const QByteArray&)>& create)
{
    bool tagged = true;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = temporaryNameFor(replaced_, tagged);
        const int created = create(name);
        if (created >= 0) {
            temporary_ = name;
            return created;
        }
        const int error = errno;
        if (error == ENAMETOOLONG && tagged)
            tagged = false;
        else if (error != EEXIST)
            fail(error);
    }
    fail(EEXIST);
}

void AtomicFile::commit()
{
    if (toStandardOutput_) {
        committed_ = true;
        return;
    }
    if (retryingOnInterrupt([&] { return ::fdatasync(fd_); }) != 0)
        fail(errno);
    if (temporary_.isEmpty())
        linkTemporaryName();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR)  // after EINTR the descriptor is closed and the data synced
        fail(errno);
    {
        const Naming naming;
        if (retryingOnInterrupt([&] { return ::rename(temporary_.constData(), replaced_.constData()); }) != 0)
            fail(errno);
        committed_ = true;
        release(slot_);
        slot_ = -1;
    }

    // So that the new name survives a crash too. The file is in place either way, but a folder
    // that cannot be flushed may lose the rename: said, unless its file system flushes no folders.
    const int folder = retryingOnInterrupt([&] { return ::open(folderOf(replaced_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (folder < 0)
        failFolder(errno);
    const int synced = retryingOnInterrupt([&] { return ::fsync(folder); });
    const int error = errno;
    ::close(folder);
    if (synced != 0 && error != EINVAL && error != ENOTSUP)
        failFolder(error);
}

QString nonRegularFileKind(const QString& path)
{
    struct stat status{};
    if (::stat(nativePath(path).constData(), &status) != 0)
        return {};
    return fileKind(status.st_mode);
}

void installSaveSignalHandlers()
{
    struct sigaction action{};
    action.sa_handler = removeTemporariesAndExit;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace palshift
