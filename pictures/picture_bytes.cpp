#include "pictures/picture_bytes.h"

#include "pictures/picture_end.h"

#include <optional>

namespace palshift {

QByteArray readPictureBytes(RegularFile& input, const QString& file, qint64 most)
{
    std::optional<qint64> end;
    QByteArray bytes;
    {
        PictureHead head(input, most);
        end = pictureEnd(head);
        bytes.swap(head.bytes());
    }
    if (!end) {
        bytes = QByteArray();  // before the whole file comes in
        return input.read(most);
    }
    bytes.truncate(qsizetype(*end));
    bytes.squeeze();
    if (input.size() > *end)
        qWarning("%s", qPrintable(QStringLiteral("palshift: warning: %1: the %2 bytes after the picture were not read")
                                      .arg(file).arg(input.size() - *end)));
    return bytes;
}

}  // namespace palshift
