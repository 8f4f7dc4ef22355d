#pragma once

#include <QByteArray>

namespace palshift {

// All of standard input, up to most bytes (one more shows that there is more). Throws FileError
// when standard input is a terminal (nothing would end the read) or cannot be read.
QByteArray readStandardInput(qint64 most);

}  // namespace palshift
