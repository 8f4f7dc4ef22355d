#include "bench_pictures.h"

#include "convert/palette_file.h"
#include "pictures/picture_loading.h"

#include <cstdint>
#include <random>
#include <stdexcept>

namespace palshift::bench {

namespace {

QString dataFolder()
{
    return QStringLiteral(PALSHIFT_DATA_DIR);
}

Palette paletteFile(const QString& name)
{
    Palette palette{};
    std::int16_t counter = 0;
    readPaletteFile(dataFolder() + name, palette, counter);
    return palette;
}

QImage indexedPicture(int side, Content content)
{
    QImage picture(side, side, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (const Rgb& entry : sourcePalette())
        table.push_back(qRgb(entry.red, entry.green, entry.blue));
    picture.setColorTable(table);

    if (content == Content::Random) {
        std::mt19937 random(20240601);  // fixed, so every run measures the same picture
        for (int y = 0; y < side; ++y) {
            uchar* const row = picture.scanLine(y);
            for (int x = 0; x < side; ++x)
                row[x] = static_cast<uchar>(random() & 0xFFu);
        }
        return picture;
    }

    // The sword's own colour table is the Diablo 1 palette, so its indices are entries.
    const QImage sword = loadPicture(dataFolder() + QStringLiteral("/startup.bmp"));
    if (sword.format() != QImage::Format_Indexed8 || sword.colorTable() != table)
        throw std::runtime_error("startup.bmp is not drawn in the Diablo 1 palette");
    for (int y = 0; y < side; ++y) {
        const uchar* const source = sword.constScanLine(y % sword.height());
        uchar* const row = picture.scanLine(y);
        for (int x = 0; x < side; ++x)
            row[x] = source[x % sword.width()];
    }
    return picture;
}

}  // namespace

Palette sourcePalette()
{
    static const Palette palette = paletteFile(QStringLiteral("/diablo.pal"));
    return palette;
}

Palette targetPalette()
{
    static const Palette palette = paletteFile(QStringLiteral("/diablo2.pal"));
    return palette;
}

QImage benchPicture(int side, Content content, QImage::Format format)
{
    const QImage indexed = indexedPicture(side, content);
    return format == QImage::Format_Indexed8 ? indexed : indexed.convertToFormat(format);
}

const char* contentName(Content content)
{
    return content == Content::Random ? "random" : "sprite";
}

const char* formatName(QImage::Format format)
{
    return format == QImage::Format_Indexed8 ? "Indexed8" : format == QImage::Format_RGB32 ? "RGB32" : "other";
}

}  // namespace palshift::bench
