#pragma once

#include <QByteArray>

namespace palshift {

// All of standard input, up to most bytes (one more shows that there is more). Throws FileError
// when standard input is a terminal (nothing would end the read) or cannot be read.
QByteArray readStandardInput(qint64 most);

// To run before anything opens a file: each of descriptors 0, 1 and 2 that is closed gets
// /dev/null, so that no file the program opens (Qt's own among them) takes its number, and is
// remembered as closed.
void guardStandardDescriptors();
// Whether descriptor fd (0, 1 or 2) was closed when guardStandardDescriptors() ran.
bool standardDescriptorWasClosed(int fd);

}  // namespace palshift
