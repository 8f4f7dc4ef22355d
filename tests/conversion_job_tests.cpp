#include "bmp/bmp_header.h"
#include "convert/picture_export.h"
#include "convert/conversion_job.h"
#include "convert/nearest_colour.h"
#include "convert/source_index_map.h"
#include "pictures/image_surface.h"
#include "pictures/picture_loading.h"
#include "picture_files.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <algorithm>
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

// What the window gives: "&Open", "Load Pals", "New Pal" and "Save Picture", step by step.
QByteArray windowConversion(const QString& input, const Palettes& palettes, const QString& output)
{
    ConversionState state;
    SilentStatusLine status;
    ImageSurface picture1(loadPicture(input)), picture2;
    picture2.resize(picture1.image().width(), picture1.image().height());
    dimensionIndexMaps(state, picture1);
    state.SourcePal = palettes.source;
    state.TargetPal = palettes.target;
    InitPicturePal(state, picture1);
    newPal(state, picture1, status);
    state.SaveFileName = output;
    savePicture(state, picture2, status);
    return test::readBytes(output);
}

// Pixels for a colour type: mostly source entries, some colours of no entry; indices for a table,
// a few past its end.
std::vector<std::uint8_t> pixelBytes(std::mt19937& random, const Palette& source, int pixels, int channels, bool bgr,
                                     int tableSize = 0)
{
    std::vector<std::uint8_t> bytes;
    std::uniform_int_distribution<int> percent(0, 99), byte(0, 255);
    for (int p = 0; p < pixels; ++p) {
        if (tableSize > 0) {
            bytes.push_back(std::uint8_t(percent(random) < 90 ? byte(random) % tableSize : std::min(255, tableSize + byte(random) % 3)));
            continue;
        }
        Rgb colour = source[std::size_t(byte(random))];
        if (percent(random) >= 75)
            colour = {std::uint8_t(byte(random)), std::uint8_t(byte(random)), std::uint8_t(byte(random))};
        if (channels <= 2)
            bytes.push_back(percent(random) < 70 ? std::uint8_t(std::array{0, 10, 30, 255}[std::size_t(byte(random) % 4)]) : colour.red);
        else
            bytes.insert(bytes.end(), {bgr ? colour.blue : colour.red, colour.green, bgr ? colour.red : colour.blue});
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

struct JobResult {
    QByteArray bytes;
    std::int64_t unmatched = -1;
    RowReader reader = RowReader::Qt;
    std::string error;
    int writes = 0;
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
    result.writes = sink.writes;
    return result;
}

}  // namespace

// The streaming readers give what Qt's decoding gives (and, as BMP, what the window's steps give): the
// same bytes, unmatched counts and refusals in every output format and under every unmatched rule,
// with and without a transparent entry, to files and pipes. Odd widths, every filter type, grey, alpha, colour keys, short tables and pixels
// past them, BMP header versions, gaps, clrUsed 0 and both row orders.
TEST(ConversionJob, StreamingGivesWhatQtDecodingGives)
{
    QTemporaryDir dir;
    std::mt19937 random(23);
    const Palettes palettes = testPalettes(random);
    std::vector<std::pair<std::string, QByteArray>> files;
    std::set<std::string> leftToQt;  // palette pictures with a pixel past their table
    const std::pair<int, int> types[] = {{SPNG_COLOR_TYPE_GRAYSCALE, 1}, {SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, 2},
                                         {SPNG_COLOR_TYPE_TRUECOLOR, 3}, {SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 4},
                                         {SPNG_COLOR_TYPE_INDEXED, 1}};
    int shape = 0;
    for (const auto& [type, channels] : types)
        for (const int filter : {SPNG_FILTER_CHOICE_NONE, SPNG_FILTER_CHOICE_SUB, SPNG_FILTER_CHOICE_UP, SPNG_FILTER_CHOICE_AVG,
                                 SPNG_FILTER_CHOICE_PAETH}) {
            const int width = std::array{1, 7, 13}[std::size_t(shape % 3)], height = std::array{3, 1, 5}[std::size_t(shape++ % 3)];
            const bool indexed = type == SPNG_COLOR_TYPE_INDEXED;
            const int tableSize = indexed ? 1 + shape * 7 % 30 : 0;
            const auto pixels = pixelBytes(random, palettes.source, width * height, channels, false, tableSize);
            const std::string what = "PNG type " + std::to_string(type) + " filter " + std::to_string(filter);
            if (indexed && std::ranges::any_of(pixels, [&](int index) { return index >= tableSize; }))
                leftToQt.insert(what);
            files.emplace_back(what, test::pngFile(width, height, type, pixels, filter, indexed ? tableOf(palettes.source, random, tableSize) : std::vector<Rgb>{}));
        }
    const Rgb& some = palettes.source[9];  // alpha either side of the line
    files.emplace_back("alpha 127 and 128", test::pngFile(2, 1, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA,
                                                          {some.red, some.green, some.blue, 127, some.red, some.green, some.blue, 128},
                                                          SPNG_FILTER_CHOICE_NONE));
    const auto rgb = pixelBytes(random, palettes.source, 35, 3, false);
    files.emplace_back("RGB key", test::pngFile(7, 5, SPNG_COLOR_TYPE_TRUECOLOR, rgb, SPNG_FILTER_CHOICE_ALL, {}, {rgb[3], rgb[4], rgb[5]}));
    // A damaged ancillary chunk, which the streaming reader refuses at its header and Qt passes over.
    QByteArray badText = test::pngFile(7, 5, SPNG_COLOR_TYPE_TRUECOLOR, rgb, SPNG_FILTER_CHOICE_ALL);
    badText.insert(33, test::pngChunk("tEXt", QByteArray("a\0b", 3)).chopped(1) + '\0');
    files.emplace_back("RGB bad tEXt", badText);
    leftToQt.insert("RGB bad tEXt");
    for (const bool bottomUp : {true, false}) {
        const std::string order = bottomUp ? " bottom-up" : " top-down";
        files.emplace_back("BMP 24" + order, test::bmpFile(5, 3, 24, pixelBytes(random, palettes.source, 15, 3, true), bottomUp));
        files.emplace_back("BMP 24 V5 gap" + order, test::bmpFile(7, 2, 24, pixelBytes(random, palettes.source, 14, 3, true), bottomUp, {}, 124, 6));
        files.emplace_back("BMP 8 short table" + order, test::bmpFile(6, 3, 8, pixelBytes(random, palettes.source, 18, 1, false, 5), bottomUp,
                                                                      tableOf(palettes.source, random, 5), 40, 2));
        files.emplace_back("BMP 8 V4 clrUsed 0" + order, test::bmpFile(9, 2, 8, pixelBytes(random, palettes.source, 18, 1, false, 256), bottomUp,
                                                                       tableOf(palettes.source, random, 256), 108, 0, true));
    }

    int refused = 0, unmatched = 0;
    for (const auto& [what, bytes] : files) {
        const QString input = dir.filePath("picture");
        test::writeBytes(input, bytes);
        const QByteArray window = windowConversion(input, palettes, dir.filePath("window.bmp"));
        for (const OutputFormat format : {OutputFormat::Bmp, OutputFormat::Png, OutputFormat::Pcx})
            for (const UnmatchedRule rule : {UnmatchedRule::Zero, UnmatchedRule::Nearest, UnmatchedRule::Fail})
              for (const std::optional<std::uint8_t> transparent : {std::optional<std::uint8_t>{}, std::optional<std::uint8_t>{7}}) {
                const ConversionJob job{palettes.source, palettes.target, {rule, transparent}, format};
                const JobResult qt = runJob(input, job, RowReaders::QtOnly, true);
                EXPECT_TRUE(format != OutputFormat::Bmp || rule != UnmatchedRule::Zero || transparent || qt.bytes == window) << what;
                // Qt's decoder turns a colour key into the alpha that a transparent entry reads.
                const bool keyed = transparent && what.ends_with("key");
                for (const bool seekable : {true, false}) {
                    const JobResult streamed = runJob(input, job, RowReaders::Streaming, seekable);
                    const std::string context = what + " as " + outputFormatName(format).toStdString() + " rule "
                                                + std::to_string(int(rule)) + (transparent ? " transparent" : "")
                                                + (seekable ? "" : " to a pipe");
                    EXPECT_TRUE((streamed.reader != RowReader::Qt) != (leftToQt.contains(what) || keyed) || !streamed.error.empty()) << context;
                    EXPECT_EQ(streamed.error, qt.error) << context;
                    EXPECT_EQ(streamed.unmatched, qt.unmatched) << context;
                    // A refused picture reaches no pipe.
                    EXPECT_TRUE(streamed.bytes == qt.bytes || (!seekable && !qt.error.empty() && streamed.bytes.isEmpty())) << context;
                }
                refused += !qt.error.empty();
                unmatched += qt.unmatched > 0;
            }
    }
    EXPECT_GT(refused, 20);
    EXPECT_GT(unmatched, 40);
}

// Under a transparent entry, a palette picture's own alpha counts: a PNG whose tRNS makes its
// entry 0 clear gives the transparent entry there, and its opaque grey the grey's entry.
TEST(ConversionJob, TransparentEntryReadsThePalettesAlpha)
{
    QTemporaryDir dir;
    const QString input = dir.filePath("clear.png");
    test::writeBytes(input, test::clearFirstEntryPng(QByteArray(6, '\x40')));
    const ConversionJob job{test::greyPalette(), test::greyPalette(), {UnmatchedRule::Nearest, 7}, OutputFormat::Bmp};
    const JobResult result = runJob(input, job, RowReaders::Streaming, true);
    ASSERT_EQ(result.bytes.size(), 1078 + 4) << result.error;
    EXPECT_EQ(result.bytes.mid(1078, 2), QByteArray("\x07\x40", 2));
}

// A result over a MiB goes out in several writes, each at its place, from both directions; to a
// pipe it goes out whole once every row is read.
TEST(ConversionJob, PlacesEveryChunkOfALargePicture)
{
    QTemporaryDir dir;
    std::mt19937 random(11);
    const Palettes palettes = testPalettes(random);
    const int width = 1031, height = 1100;
    const auto rgb = pixelBytes(random, palettes.source, width * height, 3, false), bgr = pixelBytes(random, palettes.source, width * height, 3, true);
    const ConversionJob job{palettes.source, palettes.target, {}, OutputFormat::Bmp};
    for (const auto& [name, file] : {std::pair{"large.png", test::pngFile(width, height, SPNG_COLOR_TYPE_TRUECOLOR, rgb, SPNG_FILTER_CHOICE_ALL)},
                                     std::pair{"large.bmp", test::bmpFile(width, height, 24, bgr, true)}}) {
        test::writeBytes(dir.filePath(name), file);
        const QByteArray expected = windowConversion(dir.filePath(name), palettes, dir.filePath("reference.bmp"));
        const JobResult toFile = runJob(dir.filePath(name), job, RowReaders::Streaming, true);
        const JobResult pipe = runJob(dir.filePath(name), job, RowReaders::Streaming, false);
        EXPECT_GT(toFile.writes, 2) << name;
        EXPECT_EQ(pipe.writes, 2) << name;  // nothing but the headers before the last row is read
        EXPECT_TRUE(toFile.bytes == expected && pipe.bytes == expected) << name;
        // Read ahead on a thread that looks rows up too: each rule gives what Qt's decoding gives.
        for (const ConversionRules rules : {ConversionRules{UnmatchedRule::Nearest, 7}, ConversionRules{UnmatchedRule::Fail, {}}}) {
            const ConversionJob ruled{palettes.source, palettes.target, rules, OutputFormat::Bmp};
            const JobResult qt = runJob(dir.filePath(name), ruled, RowReaders::QtOnly, true);
            const JobResult streamed = runJob(dir.filePath(name), ruled, RowReaders::Streaming, true);
            EXPECT_EQ(streamed.error, qt.error) << name;
            EXPECT_TRUE(!qt.error.empty() || (streamed.reader != RowReader::Qt && streamed.bytes == qt.bytes && streamed.unmatched == qt.unmatched))
                << name << " rule " << int(rules.unmatched);
        }
    }
    // Damaged past its first MiB of rows, read ahead on a thread of its own: still refused, naming it.
    const QString cut = dir.filePath("cut.png");
    const QByteArray png = test::pngFile(width, height, SPNG_COLOR_TYPE_TRUECOLOR, rgb, SPNG_FILTER_CHOICE_ALL);
    test::writeBytes(cut, png.left(png.size() * 2 / 3));
    EXPECT_TRUE(QString::fromStdString(runJob(cut, job, RowReaders::Streaming, true).error).contains(cut));
}

}  // namespace palshift
