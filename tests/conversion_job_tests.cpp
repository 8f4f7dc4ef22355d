#include "bmp/bmp_header.h"
#include "bmp/picture_export.h"
#include "convert/conversion_job.h"
#include "convert/nearest_colour.h"
#include "convert/source_index_map.h"
#include "pictures/qt_rows.h"
#include "platform/file_error.h"
#include "platform/image_surface.h"
#include "platform/picture_loading.h"
#include "picture_files.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <optional>
#include <set>

namespace palshift {

namespace {

struct Palettes {
    Palette source{}, target{};
};

// Entries of a few levels (repeats and ties), some greys, and colours of no entry beside them.
Palettes testPalettes(std::mt19937& random)
{
    Palettes palettes{test::coarsePalette(random, 40), test::coarsePalette(random, 12)};
    for (std::uint8_t grey : {0, 10, 30, 255})
        palettes.source[250 + grey % 5] = {grey, grey, grey};
    return palettes;
}

struct Converted {
    QByteArray bytes;
    std::int64_t unmatched = 0;
    QString error;  // set when the conversion failed
};

// What the window gives: "&Open", "Load Pals", "New Pal" and "Save Picture", step by step.
Converted windowConversion(const QString& input, const Palettes& palettes, const QString& output)
{
    Converted result;
    try {
        ConversionState state;
        InitBmpHeader(state.BmpFileHeader);
        SilentStatusLine status;
        ImageSurface picture1(loadPicture(input));
        ImageSurface picture2;
        picture2.resize(picture1.image().width(), picture1.image().height());
        dimensionIndexMaps(state, picture1);
        state.SourcePal = palettes.source;
        state.TargetPal = palettes.target;
        InitPicturePal(state, picture1);
        newPal(state, picture1, status);
        state.SaveFileName = output;
        savePicture(state, picture2, status);
        result.bytes = test::readBytes(output);
        result.unmatched = state.unmatchedPixels;
    } catch (const std::exception& failure) {
        result.error = failure.what();
    }
    return result;
}

Converted jobConversion(const QString& input, const Palettes& palettes, bool seekable, RowReader* reader = nullptr)
{
    Converted result;
    test::MemorySink sink(seekable);
    try {
        const TargetLookup lookup(palettes.source, nearestEntries(palettes.source, palettes.target));
        const JobReport report = convertFile(input, lookup, palettes.target, sink);
        result.bytes = sink.bytes;
        result.unmatched = report.unmatchedPixels;
        if (reader)
            *reader = report.reader;
    } catch (const std::exception& failure) {
        result.error = failure.what();
    }
    return result;
}

// Pixels for a colour type: mostly source entries, some colours of no entry.
std::vector<std::uint8_t> pixelBytes(std::mt19937& random, const Palette& source, int pixels, int channels, bool bgr,
                                     int tableSize = 0)
{
    std::vector<std::uint8_t> bytes;
    std::uniform_int_distribution<int> percent(0, 99), entry(0, 255), byte(0, 255);
    for (int p = 0; p < pixels; ++p) {
        if (tableSize > 0) {  // indices, a few past the table
            bytes.push_back(std::uint8_t(percent(random) < 90 ? entry(random) % tableSize : std::min(255, tableSize + entry(random) % 3)));
            continue;
        }
        Rgb colour = source[std::size_t(entry(random))];
        if (percent(random) >= 75)
            colour = {std::uint8_t(byte(random)), std::uint8_t(byte(random)), std::uint8_t(byte(random))};
        if (channels <= 2) {  // grey: a source grey or another
            const std::uint8_t grey = percent(random) < 70 ? std::uint8_t(std::array{0, 10, 30, 255}[std::size_t(entry(random) % 4)]) : colour.red;
            bytes.push_back(grey);
        } else if (bgr) {
            bytes.insert(bytes.end(), {colour.blue, colour.green, colour.red});
        } else {
            bytes.insert(bytes.end(), {colour.red, colour.green, colour.blue});
        }
        if (channels == 2 || channels == 4)
            bytes.push_back(std::uint8_t(byte(random)));  // alpha plays no part
    }
    return bytes;
}

std::vector<Rgb> tableOf(const Palette& source, std::mt19937& random, int size)
{
    std::vector<Rgb> table;
    std::uniform_int_distribution<int> entry(0, 255), percent(0, 99);
    for (int i = 0; i < size; ++i)
        table.push_back(percent(random) < 80 ? source[std::size_t(entry(random))] : Rgb{1, 2, std::uint8_t(i)});
    return table;
}

}  // namespace

// Every PNG and BMP form the streaming readers take, at odd sizes, through every filter type and
// both kinds of sink: the same bytes and unmatched count as the window's steps, and really streamed.
TEST(ConversionJob, StreamsEveryTakenFormLikeTheWindowConverts)
{
    QTemporaryDir dir;
    std::mt19937 random(7);
    const Palettes palettes = testPalettes(random);
    int files = 0;
    long unmatched = 0;
    auto check = [&](const QByteArray& file, RowReader expectedReader, const std::string& what) {
        const QString input = dir.filePath(QString("in%1").arg(files++));
        test::writeBytes(input, file);
        const Converted expected = windowConversion(input, palettes, dir.filePath("reference.bmp"));
        ASSERT_TRUE(expected.error.isEmpty()) << what << ": " << qPrintable(expected.error);
        for (bool seekable : {true, false}) {
            RowReader reader = RowReader::Qt;
            const Converted job = jobConversion(input, palettes, seekable, &reader);
            EXPECT_EQ(reader, expectedReader) << what;
            EXPECT_TRUE(job.error.isEmpty() && job.bytes == expected.bytes) << what << (seekable ? " to a file" : " to a pipe")
                                                                            << qPrintable(job.error);
            EXPECT_EQ(job.unmatched, expected.unmatched) << what;
        }
        unmatched += expected.unmatched;
    };

    const int filters[] = {SPNG_FILTER_CHOICE_NONE, SPNG_FILTER_CHOICE_SUB, SPNG_FILTER_CHOICE_UP,
                           SPNG_FILTER_CHOICE_AVG, SPNG_FILTER_CHOICE_PAETH, SPNG_FILTER_CHOICE_ALL};
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 5}, {13, 3}, {2, 9}};
    const std::pair<int, int> types[] = {{SPNG_COLOR_TYPE_GRAYSCALE, 1}, {SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, 2},
                                         {SPNG_COLOR_TYPE_TRUECOLOR, 3}, {SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 4},
                                         {SPNG_COLOR_TYPE_INDEXED, 1}};
    for (const auto& [type, channels] : types)
        for (const int filter : filters)
            for (const auto& [width, height] : sizes) {
                const bool indexed = type == SPNG_COLOR_TYPE_INDEXED;
                const int tableSize = indexed ? 1 + (width * height) % 200 : 0;  // short tables, pixels past them
                const auto pixels = pixelBytes(random, palettes.source, width * height, channels, false, tableSize);
                const auto table = indexed ? tableOf(palettes.source, random, tableSize) : std::vector<Rgb>{};
                // A pixel past the table is left to Qt, whose libpng warns of it.
                const bool pastTable = indexed && std::ranges::any_of(pixels, [&](int index) { return index >= tableSize; });
                check(test::pngFile(width, height, type, pixels, filter, table), pastTable ? RowReader::Qt : RowReader::Png,
                      "PNG type " + std::to_string(type) + " filter " + std::to_string(filter) + " " + std::to_string(width) + "x" + std::to_string(height));
            }

    // An RGB colour key and a palette's alpha change no colour.
    const auto rgb = pixelBytes(random, palettes.source, 35, 3, false);
    check(test::pngFile(7, 5, SPNG_COLOR_TYPE_TRUECOLOR, rgb, SPNG_FILTER_CHOICE_ALL, {}, {rgb[0], rgb[1], rgb[2]}), RowReader::Png, "RGB key");
    const auto table = tableOf(palettes.source, random, 16);
    auto inTable = pixelBytes(random, palettes.source, 35, 1, false, 16);
    for (std::uint8_t& index : inTable)
        index %= 16;
    check(test::pngFile(7, 5, SPNG_COLOR_TYPE_INDEXED, inTable, SPNG_FILTER_CHOICE_ALL, table, {0, 128, 255, 3}), RowReader::Png,
          "palette with tRNS");

    for (const bool bottomUp : {true, false})
        for (const auto& [width, height] : sizes) {
            const std::string shape = std::string(bottomUp ? " bottom-up " : " top-down ") + std::to_string(width) + "x" + std::to_string(height);
            check(test::bmpFile(width, height, 24, pixelBytes(random, palettes.source, width * height, 3, true), bottomUp), RowReader::Bmp, "BMP 24" + shape);
            check(test::bmpFile(width, height, 32, pixelBytes(random, palettes.source, width * height, 4, true), bottomUp), RowReader::Bmp, "BMP 32" + shape);
            check(test::bmpFile(width, height, 24, pixelBytes(random, palettes.source, width * height, 3, true), bottomUp, {}, 124, 6), RowReader::Bmp, "BMP 24 V5 gap" + shape);
            const int size = 1 + width * height % 9;
            check(test::bmpFile(width, height, 8, pixelBytes(random, palettes.source, width * height, 1, false, size), bottomUp,
                                tableOf(palettes.source, random, size), 40, 2), RowReader::Bmp, "BMP 8 short table" + shape);
            check(test::bmpFile(width, height, 8, pixelBytes(random, palettes.source, width * height, 1, false, 256), bottomUp,
                                tableOf(palettes.source, random, 256), 108, 0, true), RowReader::Bmp, "BMP 8 V4 clrUsed 0" + shape);
        }
    EXPECT_GT(unmatched, 200);  // the cases meet colours of no entry
}

// A result over a MiB goes out in several writes, each at its place, from both directions; to a
// pipe it goes out whole once every row is read.
TEST(ConversionJob, PlacesEveryChunkOfALargePicture)
{
    QTemporaryDir dir;
    std::mt19937 random(11);
    const Palettes palettes = testPalettes(random);
    const int width = 1031, height = 1100;
    const auto pixels = pixelBytes(random, palettes.source, width * height, 3, false);
    std::vector<std::uint8_t> bgr(pixels);
    for (std::size_t p = 0; p < bgr.size(); p += 3)
        std::swap(bgr[p], bgr[p + 2]);
    for (const auto& [name, file] : {std::pair{"large.png", test::pngFile(width, height, SPNG_COLOR_TYPE_TRUECOLOR, pixels, SPNG_FILTER_CHOICE_ALL)},
                                     std::pair{"large.bmp", test::bmpFile(width, height, 24, bgr, true)}}) {
        test::writeBytes(dir.filePath(name), file);
        const Converted expected = windowConversion(dir.filePath(name), palettes, dir.filePath("reference.bmp"));
        const TargetLookup lookup(palettes.source, nearestEntries(palettes.source, palettes.target));
        test::MemorySink toFile, pipe(false);
        convertFile(dir.filePath(name), lookup, palettes.target, toFile);
        convertFile(dir.filePath(name), lookup, palettes.target, pipe);
        EXPECT_GT(toFile.writes, 2) << name;
        EXPECT_EQ(pipe.writes, 2) << name;  // nothing but the headers before the last row is read
        EXPECT_TRUE(toFile.bytes == expected.bytes && pipe.bytes == expected.bytes) << name;
    }
    // Damaged past its first MiB of rows, read ahead on a thread of its own: still refused, naming it.
    const QString cut = dir.filePath("cut.png");
    const QByteArray png = test::pngFile(width, height, SPNG_COLOR_TYPE_TRUECOLOR, pixels, SPNG_FILTER_CHOICE_ALL);
    test::writeBytes(cut, png.left(png.size() * 2 / 3));
    EXPECT_TRUE(jobConversion(cut, palettes, true, nullptr).error.contains(cut));
}

// The streaming readers refuse damaged files, naming them, and the job then leaves them to Qt's
// decoder with the loader's checks: a damaged PNG ends as it ends there, the same bytes or an error
// naming the file. (Qt fills a cut BMP's missing bytes with whatever memory held; the loader refuses it.)
TEST(ConversionJob, DamagedFilesEndAsTheQtPathEndsThem)
{
    QTemporaryDir dir;
    std::mt19937 random(5);
    const Palettes palettes = testPalettes(random);
    const QByteArray png = test::pngFile(40, 30, SPNG_COLOR_TYPE_TRUECOLOR, pixelBytes(random, palettes.source, 1200, 3, false), SPNG_FILTER_CHOICE_ALL);
    const QByteArray bmp = test::bmpFile(40, 30, 24, pixelBytes(random, palettes.source, 1200, 3, true), true);
    const qsizetype idat = png.indexOf("IDAT");
    std::vector<std::pair<std::string, QByteArray>> damaged;
    for (const qsizetype cut : {qsizetype(8), qsizetype(33), idat + 20, png.size() / 2, png.size() - 12, png.size() - 1})
        damaged.emplace_back("PNG cut to " + std::to_string(cut), png.left(cut));
    QByteArray crc = png;
    crc[idat + 30] = char(crc[idat + 30] ^ 0x10);
    damaged.emplace_back("PNG with a bad IDAT CRC", crc);
    // The zlib stream's Adler-32, with a CRC that fits: Qt refuses it too.
    QByteArray adler = png;
    const auto length = qFromBigEndian<quint32>(png.constData() + idat - 4);
    adler[idat + 4 + length - 1] = char(adler[idat + 4 + length - 1] ^ 1);
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(adler.constData() + idat), 4 + length)), adler.data() + idat + 4 + length);
    damaged.emplace_back("PNG with a bad Adler-32", adler);
    for (const qsizetype cut : {qsizetype(60), bmp.size() - 1})
        damaged.emplace_back("BMP cut to " + std::to_string(cut), bmp.left(cut));

    for (const auto& [what, bytes] : damaged) {
        const QString input = dir.filePath("damaged");
        test::writeBytes(input, bytes);
        const Converted expected = windowConversion(input, palettes, dir.filePath("reference.bmp"));
        RowReader used = RowReader::Png;
        const Converted job = jobConversion(input, palettes, true, &used);
        EXPECT_TRUE(!job.error.isEmpty() || used == RowReader::Qt) << what;
        EXPECT_TRUE(job.error.isEmpty() || job.error.contains(input)) << qPrintable(job.error);
        if (what.starts_with("PNG")) {
            EXPECT_EQ(job.error.isEmpty(), expected.error.isEmpty()) << what << ": " << qPrintable(job.error + expected.error);
            EXPECT_TRUE(job.bytes == expected.bytes || !job.error.isEmpty()) << what;
        }

        std::array<std::uint8_t, rowReaderHeadBytes> head{};
        const RowReader reader = rowReaderFor(readHead(input, head));
        if (reader == RowReader::Qt)
            continue;
        const bool refused = [&] {
            try {
                auto rows = openRows(input, reader);
                for (int y = 0; y < rows->height(); ++y)
                    rows->nextRow();
            } catch (const FileError& error) {
                return QString(error.what()).contains(input);
            }
            return false;
        }();
        EXPECT_TRUE(refused) << what;
    }
}

namespace {

struct JobResult {
    QByteArray bytes;
    std::int64_t unmatched = -1;
    RowReader reader = RowReader::Qt;
    std::string error;
};

JobResult runJob(const QString& input, const ConversionJob& job, RowReaders readers, bool seekable)
{
    JobResult result;
    test::MemorySink sink(seekable);
    try {
        const JobReport report = convertFile(input, job, sink, readers);
        result.unmatched = report.unmatchedPixels;
        result.reader = report.reader;
    } catch (const std::exception& failure) {
        result.error = failure.what();
    }
    result.bytes = sink.bytes;
    return result;
}

}  // namespace

// The streaming readers and Qt's decoding give the same bytes, unmatched counts and refusals in
// every output format and under every unmatched rule, with and without a transparent entry: odd widths, short tables, unmatched colours,
// every filter type, grey, alpha, colour keys of every 8-bit colour type, both row orders.
TEST(ConversionJob, BothReadersGiveTheSameResultInEveryFormatAndRule)
{
    QTemporaryDir dir;
    std::mt19937 random(23);
    const Palettes palettes = testPalettes(random);
    std::vector<std::pair<std::string, QByteArray>> files;
    std::set<std::string> leftToQt;  // palette pictures with a pixel past their table
    const int filters[] = {SPNG_FILTER_CHOICE_NONE, SPNG_FILTER_CHOICE_SUB, SPNG_FILTER_CHOICE_UP,
                           SPNG_FILTER_CHOICE_AVG, SPNG_FILTER_CHOICE_PAETH};
    const std::pair<int, int> types[] = {{SPNG_COLOR_TYPE_GRAYSCALE, 1}, {SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, 2},
                                         {SPNG_COLOR_TYPE_TRUECOLOR, 3}, {SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 4},
                                         {SPNG_COLOR_TYPE_INDEXED, 1}};
    int shape = 0;
    for (const auto& [type, channels] : types)
        for (const int filter : filters) {
            const int width = std::array{1, 7, 13}[std::size_t(shape % 3)], height = std::array{3, 1, 5}[std::size_t(shape++ % 3)];
            const bool indexed = type == SPNG_COLOR_TYPE_INDEXED;
            const int tableSize = indexed ? 1 + shape * 7 % 30 : 0;
            const auto pixels = pixelBytes(random, palettes.source, width * height, channels, false, tableSize);
            if (indexed && std::ranges::any_of(pixels, [&](int index) { return index >= tableSize; }))
                leftToQt.insert("PNG type " + std::to_string(type) + " filter " + std::to_string(filter));
            files.emplace_back("PNG type " + std::to_string(type) + " filter " + std::to_string(filter),
                               test::pngFile(width, height, type, pixels, filter, indexed ? tableOf(palettes.source, random, tableSize) : std::vector<Rgb>{}));
        }
    const Rgb& some = palettes.source[9];  // alpha either side of the line
    files.emplace_back("alpha 127 and 128", test::pngFile(2, 1, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA,
                                                          {some.red, some.green, some.blue, 127, some.red, some.green, some.blue, 128},
                                                          SPNG_FILTER_CHOICE_NONE));
    const auto grey = pixelBytes(random, palettes.source, 35, 1, false);
    files.emplace_back("grey key", test::pngFile(7, 5, SPNG_COLOR_TYPE_GRAYSCALE, grey, SPNG_FILTER_CHOICE_ALL, {}, {grey[0]}));
    const auto rgb = pixelBytes(random, palettes.source, 35, 3, false);
    files.emplace_back("RGB key", test::pngFile(7, 5, SPNG_COLOR_TYPE_TRUECOLOR, rgb, SPNG_FILTER_CHOICE_ALL, {}, {rgb[3], rgb[4], rgb[5]}));
    auto inTable = pixelBytes(random, palettes.source, 35, 1, false, 16);
    for (std::uint8_t& index : inTable)
        index %= 16;
    files.emplace_back("palette tRNS", test::pngFile(7, 5, SPNG_COLOR_TYPE_INDEXED, inTable, SPNG_FILTER_CHOICE_ALL,
                                                     tableOf(palettes.source, random, 16), {0, 128, 255}));
    for (const bool bottomUp : {true, false}) {
        const std::string order = bottomUp ? " bottom-up" : " top-down";
        files.emplace_back("BMP 24" + order, test::bmpFile(5, 3, 24, pixelBytes(random, palettes.source, 15, 3, true), bottomUp));
        files.emplace_back("BMP 32" + order, test::bmpFile(3, 4, 32, pixelBytes(random, palettes.source, 12, 4, true), bottomUp));
        files.emplace_back("BMP 8" + order, test::bmpFile(6, 3, 8, pixelBytes(random, palettes.source, 18, 1, false, 5), bottomUp,
                                                          tableOf(palettes.source, random, 5), 40, 0));
    }

    int refused = 0, unmatched = 0;
    for (const auto& [what, bytes] : files) {
        const QString input = dir.filePath("picture");
        test::writeBytes(input, bytes);
        for (const OutputFormat format : {OutputFormat::Bmp, OutputFormat::Png, OutputFormat::Pcx})
            for (const UnmatchedRule rule : {UnmatchedRule::Zero, UnmatchedRule::Nearest, UnmatchedRule::Fail})
              for (const std::optional<std::uint8_t> transparent : {std::optional<std::uint8_t>{}, std::optional<std::uint8_t>{7}}) {
                const ConversionJob job{palettes.source, palettes.target, {rule, transparent}, format};
                // Qt's decoder turns a colour key into the alpha that --transparent reads.
                const bool keyed = transparent && (what.ends_with("key") || what == "palette tRNS");
                const JobResult qt = runJob(input, job, RowReaders::QtOnly, true);
                for (const bool seekable : {true, false}) {
                    const JobResult streamed = runJob(input, job, RowReaders::Streaming, seekable);
                    const std::string context = what + " as " + outputFormatName(format).toStdString() + " rule "
                                                + std::to_string(int(rule)) + (transparent ? " transparent" : "")
                                                + (seekable ? "" : " to a pipe");
                    EXPECT_TRUE((streamed.reader != RowReader::Qt) != (leftToQt.contains(what) || keyed) || !streamed.error.empty()) << context;
                    EXPECT_EQ(streamed.error, qt.error) << context;
                    EXPECT_EQ(streamed.unmatched, qt.unmatched) << context;
                    EXPECT_TRUE(streamed.bytes == qt.bytes || !seekable) << context;
                    // A refused picture reaches no pipe.
                    EXPECT_TRUE(seekable || streamed.bytes == qt.bytes || (!qt.error.empty() && streamed.bytes.isEmpty())) << context;
                }
                refused += !qt.error.empty();
                unmatched += qt.unmatched > 0;
            }
    }
    EXPECT_GT(refused, 20);
    EXPECT_GT(unmatched, 40);
}

}  // namespace palshift
