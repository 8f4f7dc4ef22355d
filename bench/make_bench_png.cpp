// Writes a square benchmark picture drawn in the Diablo 1 palette as a PNG, or as a BMP when the
// output name ends in ".bmp":
// make_bench_png SIDE random|sprite rgb|indexed OUTPUT.png|OUTPUT.bmp
// "rgb" gives an RGB PNG (decoded as Format_RGB32) or a 24-bit BMP, "indexed" a palette PNG
// (Format_Indexed8) or an 8-bit BMP.

#include "bench_pictures.h"

#include <QImageWriter>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

int main(int argc, char* argv[])
{
    using namespace palshift::bench;
    if (argc != 5 || std::atoi(argv[1]) <= 0
        || (std::strcmp(argv[2], "random") != 0 && std::strcmp(argv[2], "sprite") != 0)
        || (std::strcmp(argv[3], "rgb") != 0 && std::strcmp(argv[3], "indexed") != 0)) {
        std::fprintf(stderr, "usage: make_bench_png SIDE random|sprite rgb|indexed OUTPUT.png\n");
        return 2;
    }
    try {
        const Content content = std::strcmp(argv[2], "random") == 0 ? Content::Random : Content::Sprite;
        const QImage::Format format =
            std::strcmp(argv[3], "rgb") == 0 ? QImage::Format_RGB32 : QImage::Format_Indexed8;
        const QString output = QString::fromLocal8Bit(argv[4]);
        QImageWriter writer(output, output.endsWith(QStringLiteral(".bmp")) ? "bmp" : "png");
        if (!writer.write(benchPicture(std::atoi(argv[1]), content, format))) {
            std::fprintf(stderr, "make_bench_png: %s: %s\n", argv[4], qPrintable(writer.errorString()));
            return 1;
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "make_bench_png: %s\n", failure.what());
        return 1;
    }
    return 0;
}
