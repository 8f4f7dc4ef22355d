// Decodes one picture with QImageReader and nothing else: the yardstick for `palshift convert`.
// Same reader settings as the program's picture loading; exit status 1 when it cannot decode.

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);  // as palshift starts, so both pay the same start-up
    if (argc != 2) {
        std::fprintf(stderr, "usage: decode_only PICTURE\n");
        return 2;
    }
    QImageReader::setAllocationLimit(2048);
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    reader.setAutoTransform(false);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        std::fprintf(stderr, "decode_only: %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    return 0;
}
