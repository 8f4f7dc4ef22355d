// Converts one picture file to an 8-bit BMP through the streaming conversion job, as durably as
// `palshift convert` saves (flushed to disk before it replaces the old file):
//   stream_convert INPUT OUTPUT.bmp [SOURCE.pal TARGET.pal]
// The palettes default to data/diablo.pal and data/diablo2.pal. Prints the reader used and the
// unmatched pixels to stderr.

#include "pictures/linked_qt_decoding.h"
#include "convert/conversion_job.h"
#include "convert/palette_file.h"
#include "platform/atomic_file.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

using namespace palshift;

const char* readerName(RowReader reader)
{
    return reader == RowReader::Png ? "png rows" : reader == RowReader::Bmp ? "bmp rows" : "qt";
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);  // as palshift starts
    palshift::handOverQtDecoding(palshift::linkedQtDecoding());
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: stream_convert INPUT OUTPUT.bmp [SOURCE.pal TARGET.pal]\n");
        return 2;
    }
    try {
        const QString data = QStringLiteral(PALSHIFT_DATA_DIR);
        Palette source{}, target{};
        std::int16_t counter = 0;
        readPaletteFile(argc == 5 ? QString::fromLocal8Bit(argv[3]) : data + "/diablo.pal", source, counter);
        readPaletteFile(argc == 5 ? QString::fromLocal8Bit(argv[4]) : data + "/diablo2.pal", target, counter);
        const ConversionJob job{source, target, {}, OutputFormat::Bmp};
        AtomicFile output(QString::fromLocal8Bit(argv[2]));
        const JobReport report = convertFile(QString::fromLocal8Bit(argv[1]), job, output);
        output.commit();
        std::fprintf(stderr, "%s: %lld unmatched of %lld pixels\n", readerName(report.reader),
                     static_cast<long long>(report.unmatchedPixels), static_cast<long long>(report.pixels));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "stream_convert: %s\n", failure.what());
        return 1;
    }
    return 0;
}
