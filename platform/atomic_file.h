#pragma once

#include "platform/byte_sink.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <span>

namespace palshift {

// Writes a file whole or not at all. The bytes go to a temporary file beside the target (an
// anonymous one where the file system has O_TMPFILE, else "<target>.palshift-...-XXXXXX", which a
// later save into the folder removes once its writer has ended: abandoned_temporaries.h), are
// flushed to disk and replace the target only in commit(). Destroyed without commit(), it leaves the target as it
// was and removes the temporary. A replaced file keeps its mode bits, a new one gets 0666 less the
// umask; a symbolic link is written through. An existing target that is not a regular file is
// refused before anything is written. "-" is standard output, written as it comes.
// Every failure throws FileError "Cannot write <target>: <reason>", the reason from the system.
// As a byte sink it seeks, except on standard output.
class AtomicFile final : public ByteSink {
public:
    enum class Temporary { Anonymous, Named };  // Named: as on file systems without O_TMPFILE

    explicit AtomicFile(const QString& target, Temporary temporary = Temporary::Anonymous);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends, or writes at offset; std::logic_error for standard output written out of order.
    void write(std::span<const std::uint8_t> bytes);
    bool canSeek() const override { return !toStandardOutput_; }
    void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    void commit();

private:
    void open(Temporary temporary);
    void discard() noexcept;
    [[noreturn]] void fail(int error) const;
    [[noreturn]] void failFolder(int error) const;
    void linkTemporaryName();
    // Gives the temporary the first free name that create (-1 and errno on failure, as open and
    // linkat) takes, of up to 100 tried, untagged where a tagged one is too long; create's result.
    int createNamedTemporary(const std::function<int(const QByteArray&)>& create);

    QString target_;
    QByteArray replaced_;    // the file that commit() replaces, symbolic links resolved
    QByteArray temporary_;   // its temporary's name, once it has one
    int fd_ = -1;
    int slot_ = -1;          // where the signal handler finds temporary_
    bool toStandardOutput_ = false;
    bool committed_ = false;
    std::uint64_t streamed_ = 0;  // bytes write() has taken
};

// "a folder", "a FIFO", "a character device", ... for what exists at path and is not a regular
// file (symbolic links followed); empty for a regular file or nothing at all.
QString nonRegularFileKind(const QString& path);

// SIGINT and SIGTERM remove the named temporaries of unfinished saves and end the process with
// status 130 and 143. SIGXFSZ and SIGPIPE are ignored, so that a write past the file size limit or
// into a closed pipe fails with its reason rather than ending the process.
void installSaveSignalHandlers();

// For tests: called while a save makes and announces its temporary name, where an interruption
// must wait for it.
void setSaveNamingHook(void (*hook)());

}  // namespace palshift
