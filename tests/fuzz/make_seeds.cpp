// Writes small pictures in each format the loader meets most, drawn in colours of the given palette,
// to seed the picture fuzzer: palshift_fuzz_seeds DIABLO_PAL OUTPUT_FOLDER.
// GIF, TGA and run-length BMP are laid out by hand, as Qt writes none of them.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

namespace {

bool writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray littleEndian16(int value)
{
    return QByteArray(1, char(value & 0xFF)) + char(value >> 8 & 0xFF);
}

// 4 x 4, two-bit colours, LZW codes of three bits with a clear code before the table would grow.
QByteArray gif(const QList<QRgb>& colours)
{
    QByteArray bytes = "GIF89a" + littleEndian16(4) + littleEndian16(4) + char(0x81) + '\0' + '\0';
    for (int c = 0; c < 4; ++c)
        bytes.append(char(qRed(colours[c]))).append(char(qGreen(colours[c]))).append(char(qBlue(colours[c])));
    bytes += QByteArray(",") + littleEndian16(0) + littleEndian16(0) + littleEndian16(4) + littleEndian16(4) + '\0';
    QList<int> codes;
    for (int pixel = 0; pixel < 16; ++pixel) {
        if (pixel % 2 == 0)
            codes.append(4);  // clear
        codes.append((pixel + pixel / 4) % 4);
    }
    codes.append(5);  // end
    QByteArray data;
    unsigned bits = 0, count = 0;
    for (int code : codes) {
        bits |= unsigned(code) << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8)
            data.append(char(bits & 0xFF));
    }
    if (count > 0)
        data.append(char(bits & 0xFF));
    return bytes + char(2) + char(data.size()) + data + '\0' + ';';
}

// 3 x 2, 24-bit, uncompressed, bottom row first; Qt reads only files with the version 2 footer.
QByteArray tga(const QList<QRgb>& colours)
{
    QByteArray bytes = QByteArray("\0\0\2", 3) + QByteArray(9, '\0') + littleEndian16(3) + littleEndian16(2) + char(24) + '\0';
    for (int pixel = 0; pixel < 6; ++pixel)
        bytes.append(char(qBlue(colours[pixel]))).append(char(qGreen(colours[pixel]))).append(char(qRed(colours[pixel])));
    return bytes + QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 18);
}

// 5 x 3, 8-bit run-length: a run, a literal stretch, a move and the ends of line and picture.
QByteArray rleBmp(const QList<QRgb>& colours)
{
    const QByteArray rows = QByteArray::fromHex("0501 0000" "0003 020304 00 0000" "0202 0002 0100 0001");
    QByteArray info = QByteArray::fromHex("28000000 05000000 03000000 0100 0800 01000000") + char(rows.size())
                      + QByteArray(3, '\0') + QByteArray(8, '\0') + QByteArray::fromHex("04000000 00000000");
    QByteArray table;
    for (int c = 0; c < 4; ++c)
        table.append(char(qBlue(colours[c]))).append(char(qGreen(colours[c]))).append(char(qRed(colours[c]))).append('\0');
    const int offset = 14 + info.size() + table.size();
    const int size = offset + rows.size();
    return "BM" + littleEndian16(size) + littleEndian16(0) + QByteArray(4, '\0') + littleEndian16(offset)
           + littleEndian16(0) + info + table + rows;
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: palshift_fuzz_seeds DIABLO_PAL OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    QFile paletteFile(QString::fromLocal8Bit(argv[1]));
    if (!paletteFile.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray palette = paletteFile.readAll();
    QList<QRgb> colours;
    for (int entry = 0; entry + 2 < palette.size() && entry < 768; entry += 3)
        colours.append(qRgb(uchar(palette[entry]), uchar(palette[entry + 1]), uchar(palette[entry + 2])));
    const QDir out(QString::fromLocal8Bit(argv[2]));

    QImage rgb(5, 3, QImage::Format_RGB32);
    for (int k = 0; k < 15; ++k)
        rgb.setPixel(k % 5, k / 5, k == 7 ? qRgb(1, 2, 3) : colours[k * 17 % colours.size()]);
    const QImage indexed = rgb.convertToFormat(QImage::Format_Indexed8, colours.mid(0, 64), Qt::ThresholdDither);
    QImage translucent = rgb.convertToFormat(QImage::Format_RGBA64);
    translucent.setPixelColor(0, 0, QColor(10, 20, 30, 40));

    bool written = rgb.save(out.filePath("rgb.png")) && indexed.save(out.filePath("indexed.png"))
                   && translucent.save(out.filePath("rgba64.png")) && indexed.save(out.filePath("indexed.bmp"))
                   && rgb.save(out.filePath("rgb.bmp")) && rgb.save(out.filePath("rgb.ico"))
                   && rgb.save(out.filePath("rgb.jpg"), nullptr, 90);
    written = written && writeFile(out.filePath("indexed.gif"), gif(colours)) && writeFile(out.filePath("rgb.tga"), tga(colours))
              && writeFile(out.filePath("rle8.bmp"), rleBmp(colours));
    return written ? 0 : 1;
}
