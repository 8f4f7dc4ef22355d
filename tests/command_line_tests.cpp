#include "app/batch.h"
#include "palettes/palette.h"
#include "convert/palette_file.h"
#include "pictures/dc6_reader.h"
#include "pictures/pcx_reader.h"
#include "pictures/picture_loading.h"
#include "picture_files.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palshift {

// How palshift runs: files for its standard output and input, a limit to its memory, or another
// program that starts it.
struct Options {
    QString output{}, input{};
    rlim_t memory = RLIM_INFINITY;
    QString program = PALSHIFT_EXECUTABLE;
};

class CommandLine : public testing::Test {
protected:
    // Runs palshift in dir (or program with arguments); gives its exit code and what it wrote to stderr.
    std::pair<int, QString> palshift(const QStringList& arguments, const Options& options = {})
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        if (!options.output.isEmpty())
            process.setStandardOutputFile(options.output, QIODevice::Append);  // so that no file is emptied first
        if (!options.input.isEmpty())
            process.setStandardInputFile(options.input);
        process.setChildProcessModifier([memory = options.memory] {
            const rlimit limit{memory, memory};
            ::setrlimit(RLIMIT_AS, &limit);
        });
        process.start(options.program, arguments);
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) << qPrintable(arguments.join(' '));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    }

    // A width x height picture in colours of the default Diablo 1 palette, entry (x + y) * 7.
    QString picture(const QString& name, int width = 9, int height = 5)
    {
        const QByteArray palette = test::readBytes(defaults.source);
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int entry = 3 * ((x + y) * 7 % 256);
                image.setPixel(x, y, qRgb(uchar(palette[entry]), uchar(palette[entry + 1]), uchar(palette[entry + 2])));
            }
        QDir().mkpath(QFileInfo(dir.filePath(name)).path());
        EXPECT_TRUE(image.save(dir.filePath(name)));
        return dir.filePath(name);
    }

    // Hand-made palettes and a 3 x 2 picture in their colours: its Diablo 1 entries are 3 (lowest of
    // 3 and 6), 5, none (so 0), 9, 7, 0, and their nearest Diablo 2 entries 2, 3 (tie with 4), 0, 6, 7, 0.
    QStringList handMadePalettes()
    {
        Palette source{}, target{};
        for (std::size_t k = 0; k < 256; ++k) {
            source[k] = {std::uint8_t(k), std::uint8_t(k), std::uint8_t(k)};
            target[k] = {255, 255, 255};
        }
        source[3] = source[6] = {200, 0, 0};
        source[5] = {0, 200, 0};
        source[9] = {0, 0, 200};
        target[0] = {0, 0, 0};
        target[1] = {190, 0, 1};  // 11 from red
        target[2] = {210, 0, 0};  // 10 from red
        target[3] = {0, 190, 0};  // 10 from green, as far as entry 4
        target[4] = {0, 210, 0};
        target[5] = {0, 0, 255};
        target[6] = {0, 0, 150};
        target[7] = {8, 8, 4};  // 5 from entry 7's grey
        test::writeBytes(dir.filePath("d1.pal"), test::paletteBytes(source));
        test::writeBytes(dir.filePath("d2.pal"), test::paletteBytes(target));
        return {"--source-pal", dir.filePath("d1.pal"), "--target-pal", dir.filePath("d2.pal")};
    }
    QString handMadePicture(const QString& name, bool indexed = false)
    {
        QImage image(3, 2, QImage::Format_RGB32);
        const QRgb colours[] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(1, 2, 3), qRgb(0, 0, 200), qRgb(7, 7, 7), qRgb(0, 0, 0)};
        for (int k = 0; k < 6; ++k)
            image.setPixel(k % 3, k / 3, colours[k]);
        QDir().mkpath(QFileInfo(dir.filePath(name)).path());
        EXPECT_TRUE((indexed ? image.convertToFormat(QImage::Format_Indexed8) : image).save(dir.filePath(name)));
        return dir.filePath(name);
    }
    // The bytes after the colour table: the bottom row first, each padded to 4 bytes.
    const QByteArray handMadeIndices = QByteArray::fromHex("06070000 02030000");

    QString filesIn(const QString& folder) const
    {
        return QDir(dir.filePath(folder)).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name).join(' ');
    }

    QTemporaryDir dir;
    const PaletteFiles defaults = defaultPaletteFiles(QFileInfo(PALSHIFT_EXECUTABLE).path());
};

namespace {

// Entry i of a grey ramp is (i, i, i): each grey is its own nearest entry.
QByteArray greyRamp()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(3, char(i));
    return bytes;
}

QList<int> indicesOf(const QImage& image)
{
    QList<int> indices;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            indices.append(image.pixelIndex(x, y));
    return indices;
}

}  // namespace

// A picture that fails fails the run; the others are still converted, each named after its picture,
// and an earlier result of the failed one is left byte for byte. An 8-bit picture converts as its
// colours do in any other format; without a palette nothing is converted.
TEST_F(CommandLine, ConvertsEachPictureAndReportsEachFailure)
{
    const QStringList palettes = handMadePalettes();
    const QString sword = handMadePicture("sword.png");
    const auto [exitCode, errors] = palshift(QStringList{"convert", sword, "-o", dir.filePath("sword.bmp")} + palettes);
    EXPECT_TRUE(exitCode == 0 && errors.contains("warning: " + sword + ": 1 of 6 pixels")) << exitCode << qPrintable(errors);
    const QByteArray bytes = test::readBytes(dir.filePath("sword.bmp"));
    EXPECT_EQ(bytes.left(6), QByteArray::fromHex("424d 3e040000"));
    EXPECT_EQ(bytes.mid(54, 12), QByteArray::fromHex("00000000 0100be00 0000d200"));  // blue, green, red, 0
    EXPECT_EQ(bytes.mid(1078), handMadeIndices);

    const QString a = handMadePicture("in/a.b.png"), b = handMadePicture("in/b.bmp", true), hidden = handMadePicture("in/.png");
    test::writeBytes(dir.filePath("in/broken.png"), "not a picture");
    QDir().mkpath(dir.filePath("out"));
    test::writeBytes(dir.filePath("out/broken.bmp"), "an earlier result");
    const auto [batchExit, batchErrors] = palshift(QStringList{"convert", a, dir.filePath("in/missing.gif"), dir.filePath("in/broken.png"),
                                                               b, hidden, "--output-dir", dir.filePath("out")} + palettes);
    for (const QString& failure : {"Cannot open " + dir.filePath("in/missing.gif"), "Cannot decode " + dir.filePath("in/broken.png")})
        EXPECT_TRUE(batchErrors.contains("palshift: " + failure + ": ")) << qPrintable(batchErrors);
    EXPECT_EQ(batchExit, 1) << qPrintable(batchErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("out/a.b.bmp")).mid(1078), handMadeIndices);
    EXPECT_EQ(test::readBytes(dir.filePath("out/b.bmp")), test::readBytes(dir.filePath("out/a.b.bmp")));
    EXPECT_EQ(test::readBytes(dir.filePath("out/broken.bmp")), "an earlier result");
    EXPECT_EQ(filesIn("out"), ".png.bmp a.b.bmp b.bmp broken.bmp");

    const auto [paletteExit, paletteErrors] = palshift({"convert", a, "-o", dir.filePath("a.bmp"), "--target-pal", dir.filePath("none.pal")});
    EXPECT_TRUE(paletteExit == 1 && paletteErrors.contains("Cannot open " + dir.filePath("none.pal") + ": ")) << qPrintable(paletteErrors);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.bmp")) || QFileInfo::exists(dir.filePath("none.pal")));
}

// A write that fails, short or whole, fails the run with the system's reason and leaves the earlier
// file byte for byte, with nothing beside it; -o - writes the same bytes to standard output.
TEST_F(CommandLine, WritesFilesAndPipesAndKeepsTheEarlierFileOnFailure)
{
    test::writeBytes(dir.filePath("prev.bmp"), "earlier");
    const auto [exitCode, errors] = palshift({"-c", "ulimit -f 2; exec \"$0\" convert :/startup.bmp -o prev.bmp", PALSHIFT_EXECUTABLE},
                                             {.program = "/bin/sh"});
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(errors, "palshift: Cannot write prev.bmp: File too large\n");
    EXPECT_EQ(test::readBytes(dir.filePath("prev.bmp")), "earlier");
    EXPECT_EQ(filesIn("."), "prev.bmp");

    const auto [fullExit, fullErrors] = palshift({"convert", ":/startup.bmp", "-o", "-"}, {.output = "/dev/full"});
    EXPECT_EQ(fullExit, 1);
    EXPECT_EQ(fullErrors, "palshift: Cannot write standard output: No space left on device\n");

    const QString sword = picture("sword.png");
    EXPECT_EQ(palshift({"convert", sword, "-o", "sword.bmp"}).first, 0);
    const auto [pipeExit, pipeErrors] = palshift({"convert", sword, "-o", "-"}, {.output = dir.filePath("piped.bmp")});
    EXPECT_TRUE(pipeExit == 0 && pipeErrors.isEmpty()) << qPrintable(pipeErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("piped.bmp")), test::readBytes(dir.filePath("sword.bmp")));

    // "-" reads the picture from standard input; a cut one is refused under that name.
    const auto [inExit, inErrors] = palshift({"convert", "-", "-o", "from-pipe.bmp"}, {.input = sword});
    EXPECT_TRUE(inExit == 0 && test::readBytes(dir.filePath("from-pipe.bmp")) == test::readBytes(dir.filePath("sword.bmp"))) << qPrintable(inErrors);
    test::writeBytes(dir.filePath("cut.png"), test::readBytes(sword).chopped(12));
    const auto [cutExit, cutErrors] = palshift({"convert", "-", "-o", "cut.bmp"}, {.input = dir.filePath("cut.png")});
    EXPECT_EQ(cutExit, 1);
    EXPECT_TRUE(cutErrors.startsWith("palshift: standard input: truncated: ")) << qPrintable(cutErrors);
}

// Before any work: a bad command, or an output that is no regular file or is (however it is spelled)
// a picture or palette this run reads, is a usage error, and nothing is written.
TEST_F(CommandLine, UsageErrorsExitTwoBeforeAnyWork)
{
    picture("in/a.png");
    picture("in/b.png");
    QDir().mkpath(dir.filePath("out"));
    QDir().mkpath(dir.filePath("p"));
    ASSERT_TRUE(QFile::copy(defaults.target, dir.filePath("p/diablo2.pal")));
    ASSERT_TRUE(QFile::link("../in/b.png", dir.filePath("out/a.bmp")));
    ASSERT_EQ(link(qPrintable(dir.filePath("in/a.png")), qPrintable(dir.filePath("hard.bmp"))), 0);
    ASSERT_EQ(mkfifo(qPrintable(dir.filePath("fifo.bmp")), 0600), 0);
    const QByteArray a = test::readBytes(dir.filePath("in/a.png")), b = test::readBytes(dir.filePath("in/b.png"));

    const std::pair<QStringList, QString> cases[] = {
        {{"in/a.png"}, "say where to write: -o OUTPUT for one picture, --output-dir DIR for several"},
        {{"in/a.png", "in/b.png", "--output-dir", "out"}, "out/a.bmp would be written over the picture in/b.png, which this run reads"},
        {{"in/a.png", "out/../in/a.png", "--output-dir", "p"}, "in/a.png and out/../in/a.png would both be written to p/a.bmp"},
        {{"./in/a.png", "-o", "in/a.png"}, "in/a.png would be written over its own input"},
        {{"in/a.png", "-o", "hard.bmp"}, "hard.bmp would be written over its own input"},
        {{"in/a.png", "-o", "p/diablo2.pal", "--target-pal", "./p/diablo2.pal"},
         "p/diablo2.pal would be written over the palette ./p/diablo2.pal, which this run reads"},
        {{"in/a.png", "-o", "p/new.pal", "--source-pal", "p/../p/new.pal"},
         "p/new.pal would be written over the palette p/../p/new.pal, which this run reads"},
        {{"in/a.png", "-o", "fifo.bmp"}, "fifo.bmp is a FIFO, not a regular file; it is left as it is"},
        {{"in/a.png", "-o", "out"}, "out is a folder, not a regular file; it is left as it is"},
        {{"in/a.png", "--output-dir", "hard.bmp"}, "hard.bmp is not a folder"},
        {{"in/a.png", "--output-dir", "none"}, "none: no such folder"},
        {{"-", "-", "--output-dir", "out"}, "standard input (-) can be read only once"},
        {{"-", "--output-dir", "out"}, "standard input (-) has no name to name a result after; use -o"},
        {{"in/a.png", "-o", "x.bmp", "--memory-limit", "lots"}, "--memory-limit takes a size such as 512M or 4G, not 'lots'"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto [exitCode, errors] = palshift(QStringList{"convert"} + arguments);
        EXPECT_EQ(exitCode, 2) << qPrintable(arguments.join(' '));
        EXPECT_EQ(errors, "palshift: " + message + "\nTry 'palshift --help' for more information.\n");
    }
    EXPECT_EQ(palshift({"conver", "in/a.png", "-o", "x.bmp"}).first, 2);
    EXPECT_EQ(palshift({"convert", "in/a.png", "--bogus", "-o", "x.bmp"}).first, 2);
    const auto [appendExit, appendErrors] = palshift({"convert", "in/a.png", "-o", "-"}, {.output = dir.filePath("in/a.png")});
    EXPECT_TRUE(appendExit == 2 && appendErrors.startsWith("palshift: standard output would be written over its own input\n"))
        << qPrintable(appendErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("in/a.png")), a);
    EXPECT_EQ(test::readBytes(dir.filePath("in/b.png")), b);
    EXPECT_EQ(test::readBytes(dir.filePath("p/diablo2.pal")), test::readBytes(defaults.target));
    EXPECT_EQ(filesIn(".") + " / " + filesIn("out") + " / " + filesIn("p"), "fifo.bmp hard.bmp in out p / a.bmp / diablo2.pal");
    struct stat fifo{};
    EXPECT_TRUE(QFileInfo(dir.filePath("out/a.bmp")).isSymLink() && stat(qPrintable(dir.filePath("fifo.bmp")), &fifo) == 0
                && S_ISFIFO(fifo.st_mode));
}

// A picture that needs more memory than there is says so, with its size; a file too large to be a
// picture is refused before any of it is read.
TEST_F(CommandLine, OutOfMemoryIsReportedAsSuch)
{
#ifdef PALSHIFT_SANITIZED
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit this test sets";
#endif
    // 16384 x 16384 RGB decodes to 1 GiB; its IDAT is short, which only shows once that is allocated.
    QByteArray large = test::pngFile(1, 1, SPNG_COLOR_TYPE_TRUECOLOR, {1, 2, 3}, SPNG_FILTER_CHOICE_NONE);
    large.replace(16, 8, test::bigEndian32(16384) + test::bigEndian32(16384));
    large.replace(29, 4, test::bigEndian32(test::crc32Of(large.mid(12, 17))));
    test::writeBytes(dir.filePath("large.png"), large);
    EXPECT_EQ(palshift({"convert", "large.png", "-o", "large.bmp"}, {.memory = rlim_t{768} << 20}),
              std::pair(1, QString("palshift: large.png: not enough memory to decode a 16384 x 16384 picture\n")));
    {
        QFile sparse(dir.filePath("huge.bmp"));
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(largestPictureFileBytes + 1));
    }
    EXPECT_EQ(palshift({"convert", "huge.bmp", "-o", "huge-result.bmp"}, {.memory = rlim_t{768} << 20}).second,
              "palshift: huge.bmp holds 3221225473 bytes; the largest picture file that loads holds 3221225472\n");
}

// A picture that needs more than the memory budget is refused, naming both; the others convert.
// Read row by row, a 600 x 500 picture needs its 300,000-byte result, two rows and the reader's
// buffers; decoded whole by Qt (for a transparent entry), four bytes a pixel more.
TEST_F(CommandLine, RefusesAPictureLargerThanTheMemoryBudget)
{
    const QString small = picture("small.png"), large = picture("large.png", 600, 500);
    QDir().mkpath(dir.filePath("out"));
    const auto [exitCode, errors] = palshift({"convert", small, large, "--output-dir", "out", "--memory-limit", "550K"});
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(errors, "palshift: " + large + ": needs about " + memorySizeText(300000 + 8 * 600 + (256 << 10))
                      + " of memory to convert, more than the budget of 550.0 KiB (--memory-limit sets it)\n");
    EXPECT_EQ(filesIn("out"), "small.bmp");
    EXPECT_EQ(palshift({"convert", small, large, "--output-dir", "out", "--memory-limit", "620K"}).first, 0);
    EXPECT_EQ(filesIn("out"), "large.bmp small.bmp");
    // With a transparent entry, a PNG with a colour key is decoded whole and converted whole; others stream.
    EXPECT_EQ(palshift({"convert", large, "-o", "t.bmp", "--transparent", "0", "--memory-limit", "620K"}).first, 0);
    const QString keyed = dir.filePath("keyed.png");
    test::writeBytes(keyed, test::pngFile(600, 500, 2, std::vector<std::uint8_t>(3 * 300000, 9), 0, {}, {1, 2, 3}));
    const auto [qtExit, qtErrors] = palshift({"convert", keyed, "-o", "t.bmp", "--transparent", "0", "--memory-limit", "1400K"});
    EXPECT_EQ(qtExit, 1);
    EXPECT_TRUE(qtErrors.contains("needs about " + memorySizeText(5 * 300000))) << qPrintable(qtErrors);
}

// PCX pictures are read; results are written as BMP, indexed PNG or PCX by the output's ending or
// --format, to files and pipes, all with the same indices and colour table.
TEST_F(CommandLine, ReadsPcxAndWritesEveryFormat)
{
    const QString sword = picture("sword.png");
    ASSERT_EQ(palshift({"convert", sword, "-o", "SWORD.PCX"}).first, 0);
    ASSERT_EQ(palshift({"convert", sword, "-o", "sword.bmp"}).first, 0);
    EXPECT_EQ(palshift({"convert", sword, "-o", "result.png"}).first, 0);
    EXPECT_EQ(palshift({"convert", sword, "-o", "forced.bmp", "--format", "pcx"}).first, 0);
    EXPECT_EQ(palshift({"convert", sword, "-o", "other.tga"}).first, 0);
    // The converted PCX read back converts to itself: the Diablo 2 palette holds each of its colours.
    EXPECT_EQ(palshift({"convert", "SWORD.PCX", "-o", "again.pcx", "--source-pal", defaults.target}).first, 0);
    // A result's colour table is the target palette, read from the picture by Qt GUI's module.
    EXPECT_EQ(palshift({"convert", sword, "-o", "by-table.bmp", "--target-pal", "sword.bmp"}).first, 0);

    const QByteArray bmp = test::readBytes(dir.filePath("sword.bmp"));
    EXPECT_EQ(test::readBytes(dir.filePath("by-table.bmp")), bmp);
    EXPECT_EQ(test::readBytes(dir.filePath("other.tga")), bmp);
    const QImage reference(dir.filePath("sword.bmp"));
    ASSERT_EQ(reference.format(), QImage::Format_Indexed8);
    const QImage png(dir.filePath("result.png"), "PNG");
    EXPECT_TRUE(png.format() == QImage::Format_Indexed8 && indicesOf(png) == indicesOf(reference));
    EXPECT_EQ(png.colorTable(), reference.colorTable());
    const QByteArray pcxResult = test::readBytes(dir.filePath("SWORD.PCX"));
    EXPECT_EQ(test::readBytes(dir.filePath("forced.bmp")), pcxResult);
    EXPECT_EQ(test::readBytes(dir.filePath("again.pcx")), pcxResult);
    const QImage readBack = readPcx(pcxResult, "SWORD.PCX");
    EXPECT_TRUE(indicesOf(readBack) == indicesOf(reference) && readBack.colorTable() == reference.colorTable());
}

// --transparent and --unmatched on a grey ramp, where each grey is its own nearest entry.
TEST_F(CommandLine, AppliesTheTransparentAndUnmatchedRules)
{
    test::writeBytes(dir.filePath("grey.pal"), greyRamp());
    QImage image(4, 2, QImage::Format_ARGB32);
    const QRgb row[] = {qRgba(9, 9, 9, 127), qRgba(5, 5, 5, 128), qRgb(7, 7, 7), qRgb(1, 2, 3),
                        qRgb(200, 200, 200), qRgb(1, 2, 3), qRgba(9, 9, 9, 0), qRgb(4, 6, 9)};
    for (int k = 0; k < 8; ++k)
        image.setPixel(k % 4, k / 4, row[k]);
    ASSERT_TRUE(image.save(dir.filePath("sprite.png")));
    const QStringList grey{"--source-pal", "grey.pal", "--target-pal", "grey.pal"};
    // The indices of the PNG result, which the BMP result has too; only the zero rule warns.
    const auto indices = [&](const QStringList& options) {
        const auto [exitCode, errors] = palshift(QStringList{"convert", "sprite.png", "-o", "out.png"} + grey + options);
        EXPECT_EQ(exitCode, 0) << qPrintable(errors);
        EXPECT_EQ(errors.isEmpty(), options.contains("nearest")) << qPrintable(errors);
        EXPECT_EQ(palshift(QStringList{"convert", "sprite.png", "-o", "out.bmp"} + grey + options).first, 0);
        const QList<int> fromPng = indicesOf(QImage(dir.filePath("out.png")));
        EXPECT_EQ(indicesOf(QImage(dir.filePath("out.bmp"))), fromPng) << qPrintable(options.join(' '));
        return fromPng;
    };
    // Alpha plays no part by default; an unmatched pixel is entry 0.
    EXPECT_EQ(indices({}), (QList<int>{9, 5, 7, 0, 200, 0, 9, 0}));
    // Transparent pixels take 5, and the opaque 5 the nearer of 4 and 6: the lower.
    EXPECT_EQ(indices({"--transparent", "5"}), (QList<int>{5, 4, 7, 0, 200, 0, 5, 0}));
    EXPECT_EQ(indices({"--unmatched", "nearest"}), (QList<int>{9, 5, 7, 2, 200, 2, 9, 6}));
    // (1, 2, 3) is 2 from grey 2; (4, 6, 9) is 5 from grey 6, 6 from grey 5 and 7.
    EXPECT_EQ(indices({"--unmatched", "nearest", "--transparent", "5"}), (QList<int>{5, 4, 7, 2, 200, 2, 5, 6}));
    const auto [zeroExit, zeroWarning] = palshift(QStringList{"convert", "sprite.png", "-o", "zero.bmp"} + grey);
    EXPECT_EQ(zeroWarning, "palshift: warning: sprite.png: 3 of 8 pixels match no colour of the Diablo 1 palette and "
                           "were converted as entry 0\n");

    test::writeBytes(dir.filePath("kept.bmp"), "earlier");
    for (const QString& output : QStringList{"kept.bmp", "-"}) {
        const auto [failExit, failure] = palshift(QStringList{"convert", "sprite.png", "-o", output, "--unmatched", "fail"} + grey,
                                                  {.output = dir.filePath("piped")});
        EXPECT_EQ(failExit, 1);
        EXPECT_EQ(failure, "palshift: sprite.png: 3 pixels match no colour of the source palette; the first is at (3, 0): #010203\n");
    }
    EXPECT_EQ(test::readBytes(dir.filePath("kept.bmp")), "earlier");
    EXPECT_EQ(test::readBytes(dir.filePath("piped")), "");
    EXPECT_EQ(palshift({"convert", "sprite.png", "-o", "x.png", "--transparent", "256"}).first, 2);
}

// Several pictures into one DC6: its frames are each picture's indices under --transparent 0; the
// DC6's options reach its frames, and a DC6 read back gives its sheet.
TEST_F(CommandLine, WritesAndReadsDc6Sprites)
{
    QStringList pictures;
    for (const QString name : {"a.png", "b.png", "c.png", "d.png"})
        pictures << picture(name, 4 + pictures.size(), 2);
    EXPECT_EQ(palshift(QStringList{"convert"} + pictures + QStringList{"--directions", "2", "-o", "walk.dc6"}),
              std::pair(0, QString("palshift: walk.dc6: 4 frames in 2 directions written\n")));
    const Dc6Sprite sprite = readDc6(test::readBytes(dir.filePath("walk.dc6")), "walk.dc6");
    ASSERT_TRUE(sprite.frames.size() == 4 && sprite.directions == 2);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(palshift({"convert", pictures[i], "-o", "one.png", "--transparent", "0"}).first, 0);
        const QList<int> expected = indicesOf(QImage(dir.filePath("one.png")));
        EXPECT_EQ(QList<int>(sprite.frames[i].indices.begin(), sprite.frames[i].indices.end()), expected) << i;
    }
    ASSERT_EQ(palshift({"convert", "walk.dc6", "-o", "sheet.png"}).first, 0);
    ASSERT_EQ(palshift({"convert", "walk.dc6", "-o", "again.dc6", "--directions", "2"}).first, 0);
    EXPECT_EQ(test::readBytes(dir.filePath("again.dc6")), test::readBytes(dir.filePath("walk.dc6")));
    ASSERT_EQ(palshift({"convert", "-", "-o", "piped.dc6", "--transparent", "0"}, {.input = pictures[0]}).first, 0);
    EXPECT_EQ(readDc6(test::readBytes(dir.filePath("piped.dc6")), "piped.dc6").frames[0].indices, sprite.frames[0].indices);
    const QImage sheet(dir.filePath("sheet.png"));
    EXPECT_EQ(sheet.size(), QSize(6 + 7, 2 + 2));
    EXPECT_EQ(indicesOf(sheet.copy(6, 2, 7, 2)), QList<int>(sprite.frames[3].indices.begin(), sprite.frames[3].indices.end()));

    // The top-left pixel, in Diablo 1 entry 0's colour, is keyed out.
    const QImage sword(pictures[0]);
    const QString key = QString::number(sword.pixel(0, 0) & 0xFFFFFF, 16).rightJustified(6, '0');
    ASSERT_EQ(palshift({"convert", pictures[0], "--frames", "2x1", "--offset", "-3,7", "--transparent-colour", key,
                        "--format", "dc6", "-o", "cut.bin"}).first, 0);
    const Dc6Sprite cut = readDc6(test::readBytes(dir.filePath("cut.bin")), "cut.bin");
    ASSERT_EQ(cut.frames.size(), 2u);
    EXPECT_EQ(std::tuple(cut.frames[1].width, cut.frames[1].offsetX, cut.frames[1].offsetY, cut.frames[0].indices[0]),
              std::tuple(2, -3, 7, 0));
    EXPECT_EQ(palshift({"convert", pictures[0], "--directions", "3", "-o", "x.dc6"}),
              std::pair(1, QString("palshift: x.dc6: 3 directions do not divide the 1 frames of the pictures\n")));
    for (const QStringList& wrong : {QStringList{"--frames", "2x1", "-o", "x.png"}, {"--frames", "0x1", "-o", "x.dc6"},
                                     {"--transparent", "5", "-o", "x.dc6"}, {"--offset", "3", "-o", "x.dc6"}})
        EXPECT_EQ(palshift(QStringList{"convert", pictures[0]} + wrong).first, 2) << qPrintable(wrong.join(' '));
}

// palshift map and --map-out write how each source entry maps, as CSV or as 256 bytes.
TEST_F(CommandLine, WritesTheMappingTable)
{
    test::writeBytes(dir.filePath("grey.pal"), greyRamp());
    const QStringList grey{"--source-pal", "grey.pal", "--target-pal", "grey.pal"};
    const auto [csvExit, csvErrors] = palshift(QStringList{"map", "-o", "map.csv", "--transparent", "5"} + grey);
    EXPECT_TRUE(csvExit == 0 && csvErrors.isEmpty()) << qPrintable(csvErrors);
    const QList<QByteArray> lines = test::readBytes(dir.filePath("map.csv")).split('\n');
    ASSERT_EQ(lines.size(), 258);
    EXPECT_EQ(lines[1 + 5], "5,#050505,4,#040404,3");

    const QString sword = picture("sword.png");
    EXPECT_EQ(palshift(QStringList{"convert", sword, "-o", "s.bmp", "--map-out", "colours.DAT"} + grey).first, 0);
    QByteArray identity;
    for (int i = 0; i < 256; ++i)
        identity.append(char(i));
    EXPECT_EQ(test::readBytes(dir.filePath("colours.DAT")), identity);

    const auto [exitCode, errors] = palshift({"convert", sword, "-o", "a.bmp", "--map-out", sword});
    EXPECT_EQ(exitCode, 2);
    EXPECT_TRUE(errors.startsWith("palshift: " + sword + " would be written over the picture " + sword + ", which this run reads\n"))
        << qPrintable(errors);
    EXPECT_EQ(filesIn("."), "colours.DAT grey.pal map.csv s.bmp sword.png");
}

}  // namespace palshift
