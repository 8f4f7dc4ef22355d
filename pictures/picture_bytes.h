#pragma once

#include "platform/regular_file.h"

#include <QByteArray>

namespace palshift {

// The bytes of picture file input that its format needs, as pictureEnd() finds them, read in
// pieces so that what follows is never held, with the warning "palshift: warning: <file>: the <N> bytes
// after the picture were not read"; the whole file, up to most bytes, where no end is found.
// Throws FileError as RegularFile::read() does.
QByteArray readPictureBytes(RegularFile& input, const QString& file, qint64 most);

}  // namespace palshift
