#include "convert/conversion_job.h"
#include "pictures/png_writer.h"
#include "platform/atomic_file.h"
#include "picture_files.h"
#include "test_support.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <stdexcept>
#include <sys/resource.h>

namespace palshift {

namespace {

QByteArray writePng(int width, int height, const std::vector<std::uint8_t>& indices, std::optional<std::uint8_t> transparent,
                    int& writes)
{
    test::MemorySink pipe(false);
    PngWriter writer(width, height, test::distinctPalette(), transparent, pipe);
    for (int y = 0; y < height; ++y)
        writer.writeRow(std::span(indices).subspan(std::size_t(y * width), std::size_t(width)));
    writer.finish();
    writes = pipe.writes;
    return pipe.bytes;
}

}  // namespace

// Qt, an independent reader, sees the indices and the 256 entries; only tRNS's entry is transparent.
TEST(PngWriter, IndexedPicturesReadBackByQt)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> value(0, 255);
    const int width = 301, height = 97;  // rows of odd length, and more than one IDAT's worth
    std::vector<std::uint8_t> indices(std::size_t(width * height));
    for (std::uint8_t& index : indices)
        index = std::uint8_t(value(random));
    indices[0] = 0;
    indices[1] = 255;

    for (const std::optional<std::uint8_t> transparent : {std::optional<std::uint8_t>(), std::optional<std::uint8_t>(5)}) {
        SCOPED_TRACE(transparent ? "with a transparent entry" : "opaque");
        int writes = 0;
        const QByteArray png = writePng(width, height, indices, transparent, writes);
        EXPECT_EQ(writes, 1);  // libpng's pieces, the palette's three bytes at a time, go out together
        const QImage back = QImage::fromData(png, "PNG");
        ASSERT_EQ(back.format(), QImage::Format_Indexed8);
        ASSERT_EQ(back.size(), QSize(width, height));
        const QList<QRgb> table = back.colorTable();
        ASSERT_EQ(table.size(), 256);
        for (std::size_t i = 0; i < 256; ++i) {
            const Rgb entry = test::distinctPalette()[i];
            EXPECT_EQ(table[qsizetype(i)], qRgba(entry.red, entry.green, entry.blue, transparent == i ? 0 : 255)) << i;
        }
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                wrong += back.pixelIndex(x, y) != indices[std::size_t(y * width + x)];
        EXPECT_EQ(wrong, 0);
    }
}

// A conversion's transparent entry reaches the writer, which marks it.
TEST(PngWriter, MarksTheTransparentEntryOfAConversion)
{
    const QTemporaryDir dir;
    test::writeBytes(dir.filePath("grey.png"), test::pngFile(1, 1, SPNG_COLOR_TYPE_GRAYSCALE, {9}, 0));
    test::MemorySink sink;
    convertFile(dir.filePath("grey.png"), {test::greyPalette(), test::greyPalette(), {UnmatchedRule::Zero, 5}, OutputFormat::Png}, sink);
    EXPECT_EQ(qAlpha(QImage::fromData(sink.bytes).colorTable().value(5, qRgb(0, 0, 0))), 0);
}

// A full disk, as far as this process can tell, after the header, within the rows.
TEST(PngWriter, PassesOnTheSinksFailure)
{
    const QTemporaryDir dir;
    AtomicFile failing(dir.filePath("out.png"));
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{5000, limit.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);  // so that a write past the limit fails rather than ends the process
    setrlimit(RLIMIT_FSIZE, &small);
    PngWriter writer(2000, 50, test::distinctPalette(), {}, failing);
    std::mt19937 random(1);
    std::vector<std::uint8_t> row(2000);
    try {
        for (int y = 0; y < 50; ++y) {
            for (std::uint8_t& index : row)
                index = std::uint8_t(random());
            writer.writeRow(row);
        }
        writer.finish();
        ADD_FAILURE() << "a failing sink went unnoticed";
    } catch (const std::exception& error) {
        EXPECT_TRUE(QString(error.what()).endsWith(": File too large")) << error.what();
    }
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(writer.writeRow(row), std::logic_error);
}

}  // namespace palshift
