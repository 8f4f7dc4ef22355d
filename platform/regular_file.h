#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>

namespace palshift {

// An input file opened for reading: a regular file, or a built-in ":/..." one. Every input of the
// program is opened here. The constructor throws FileError naming the file and the reason, and
// refuses at once, without blocking, anything that is not a regular file (a folder, a FIFO, a
// device, a socket), naming its kind.
class RegularFile {
public:
    explicit RegularFile(const QString& file);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // The size the file had when it was opened.
    qint64 size() const { return size_; }
    // Reads from the start up to most bytes, or fewer where the file ends. Throws FileError
    // "Cannot read <file>: <reason>".
    QByteArray read(qint64 most);
    // Fills the front of into, on from where the last readOn() ended (the start at first), through
    // a buffer for small reads; fewer bytes only at the end of the file. Throws as read() does.
    std::size_t readOn(std::span<std::uint8_t> into);

private:
    std::size_t readDirect(std::uint8_t* into, std::size_t count);

    QString file_;
    int descriptor_ = -1;
    qint64 size_ = 0;
    QByteArray builtIn_;
    std::uint64_t next_ = 0;  // where the next unbuffered readOn() starts
    std::unique_ptr<std::uint8_t[]> buffer_;  // bufferSize bytes once a small read comes, never zeroed
    std::size_t bufferStart_ = 0;
    std::size_t bufferEnd_ = 0;
};

}  // namespace palshift
