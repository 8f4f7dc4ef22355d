#pragma once

#include <QByteArray>
#include <QString>

namespace palshift {

// All of standard input, up to most bytes (one more shows that there is more). Throws FileError
// when standard input is a terminal (nothing would end the read) or cannot be read.
QByteArray readStandardInput(qint64 most);

// For the rest of the run, readStandardInput reads at most bytes + 1 and throws FileError
// "standard input holds more than <bytes> bytes, more than <why>" when there are more.
void limitStandardInput(qint64 bytes, const QString& why);
// Under that limit, throws FileError "standard input needs about <need> bytes of memory, more than
// <why>" when need exceeds it: what is held for it beyond its bytes counts too.
void checkStandardInputNeed(qint64 need);

// To run before anything opens a file: each of descriptors 0, 1 and 2 that is closed gets
// /dev/null, so that no file the program opens (Qt's own among them) takes its number, and is
// remembered as closed.
void guardStandardDescriptors();
// Whether descriptor fd (0, 1 or 2) was closed when guardStandardDescriptors() ran.
bool standardDescriptorWasClosed(int fd);

}  // namespace palshift
