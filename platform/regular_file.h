#pragma once

#include <QByteArray>
#include <QString>

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

private:
    QString file_;
    int descriptor_ = -1;
    qint64 size_ = 0;
    QByteArray builtIn_;
};

}  // namespace palshift
