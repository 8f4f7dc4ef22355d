#pragma once

#include <QByteArray>
#include <QString>

namespace palshift {

// The bytes of picture file that its format needs (readPictureBytes); all of standard input for
// "-". Throws FileError naming the file (or "standard input") when it cannot be read, is no regular
// file, or holds more than the largest picture file; for standard input also when its bytes and the
// picture decoded from them need more memory than limitStandardInput() allows.
QByteArray readPictureFile(const QString& file);

// The name a picture file goes by in messages: "standard input" for "-".
QString pictureName(const QString& file);

}  // namespace palshift
