#include "convert/dc6_sheet_picture.h"

#include "convert/dc6_conversion.h"
#include "platform/file_error.h"

#include <algorithm>

namespace palshift {

QImage dc6SheetPicture(const QString& file, const Palette& palette)
{
    const TargetPicture sheet = dc6Sheet(readDc6File(file), file);
    QImage picture(sheet.width, sheet.height, QImage::Format_Indexed8);
    if (picture.isNull())
        throw FileError(file, QStringLiteral("%1: its sheet of frames is empty or does not fit in memory").arg(file));
    QList<QRgb> colours;
    for (const Rgb& entry : palette)
        colours << qRgb(entry.red, entry.green, entry.blue);
    picture.setColorTable(colours);
    for (std::int32_t y = 0; y < sheet.height; ++y)
        std::copy_n(sheet.indices.begin() + std::ptrdiff_t{y} * sheet.width, sheet.width, picture.scanLine(y));
    return picture;
}

}  // namespace palshift
