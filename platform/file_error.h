#pragma once

#include "platform/native_path.h"

#include <QString>

#include <stdexcept>

namespace palshift {

// An I/O failure; what() is the whole message for the user and names the file,
// as in "Cannot open <file>: <reason>", the name in its own bytes (pathFromNative reads it back).
class FileError : public std::runtime_error {
public:
    FileError(const QString& file, const QString& message)
        : std::runtime_error(nativePath(message).toStdString()), file_(file) {}

    const QString& file() const { return file_; }

private:
    QString file_;
};

}  // namespace palshift
