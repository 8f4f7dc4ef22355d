#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace palshift {

// A lossless mapping between the bytes of a file name and QString. Names are UTF-8 on disk; a byte
// that is not part of valid UTF-8 becomes the lone surrogate U+DC80 + (byte - 0x80), which valid
// UTF-8 can never produce, so every name comes back to exactly its own bytes. (Qt's own decoding
// turns such bytes into U+FFFD and loses them.)
QString pathFromNative(const QByteArray& bytes);

// The bytes to give open(), stat(), rename() and the like for a name from pathFromNative, the
// command line or a dialog.
QByteArray nativePath(const QString& path);

// Opens path read-only as file (by its own bytes where Qt cannot spell them; ":/" names are
// built-in). False with the system's reason in reason.
bool openForReading(const QString& path, QFile& file, QString& reason);

// Where a symbolic link that points at nothing yet would have a file made, as a shell's
// redirection makes it: path followed through its links (relative ones from the link's folder)
// until a name that is no link. path itself when it is no link, or after 40 links (a loop).
QByteArray danglingLinkTarget(const QByteArray& path);

// argv[0] to argv[argc - 1] through pathFromNative, for a QCommandLineParser.
QStringList argumentsFromNative(int argc, const char* const argv[]);

}  // namespace palshift
