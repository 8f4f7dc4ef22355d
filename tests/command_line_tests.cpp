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
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palshift {

class CommandLine : public testing::Test {
protected:
    // Runs palshift in dir; gives its exit code and what it wrote to stderr.
    std::pair<int, QString> palshift(const QStringList& arguments, test::RunOptions options = {})
    {
        options.folder = dir.path();
        const test::Outcome outcome = test::runProgram(PALSHIFT_EXECUTABLE, arguments, options);
        return {outcome.exitCode, outcome.err};
    }
    // Runs script in /bin/sh in dir, with palshift as $0.
    std::pair<int, QString> shell(const QString& script)
    {
        const test::Outcome outcome = test::runProgram("/bin/sh", {"-c", script, PALSHIFT_EXECUTABLE}, {.folder = dir.path()});
        return {outcome.exitCode, outcome.err};
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

    QString filesIn(const QString& folder) const
    {
        return QDir(dir.filePath(folder)).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name).join(' ');
    }

    QTemporaryDir dir;
    const PaletteFiles defaults = defaultPaletteFiles(QFileInfo(PALSHIFT_EXECUTABLE).path());
};


// A picture that fails fails the run; the others are still converted, each named after its picture,
// and an earlier result of the failed one is left byte for byte. A palette that cannot be read is
// named, and nothing is converted.
TEST_F(CommandLine, ConvertsEachPictureAndReportsEachFailure)
{
    const QString a = picture("in/a.b.png"), hidden = picture("in/.png");
    test::writeBytes(dir.filePath("in/broken.png"), "not a picture");
    test::writeBytes(dir.filePath("in/bad.jpg"), QByteArray::fromHex("ffd8ffdb00") + QByteArray(10, '\0'));  // a table of length 0
    QDir().mkpath(dir.filePath("out"));
    test::writeBytes(dir.filePath("out/broken.bmp"), "an earlier result");
    const auto [batchExit, batchErrors] = palshift({"convert", a, dir.filePath("in/missing.gif"), dir.filePath("in/broken.png"),
                                                    dir.filePath("in/bad.jpg"), hidden, "--output-dir", dir.filePath("out")});
    for (const QString& failure : {"Cannot open " + dir.filePath("in/missing.gif"), "Cannot decode " + dir.filePath("in/broken.png")})
        EXPECT_TRUE(batchErrors.contains("palshift: " + failure + ": ")) << qPrintable(batchErrors);
    EXPECT_EQ(batchErrors.count("palshift: Cannot decode " + dir.filePath("in/bad.jpg") + ": Unable to read image data (Bogus marker length)\n"), 1)
        << qPrintable(batchErrors);
    EXPECT_EQ(batchExit, 1) << qPrintable(batchErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("out/broken.bmp")), "an earlier result");
    EXPECT_EQ(filesIn("out"), ".png.bmp a.b.bmp broken.bmp");
    EXPECT_EQ(batchErrors.count('\n'), 4) << qPrintable(batchErrors);
    EXPECT_TRUE(batchErrors.endsWith("palshift: 2 converted, 3 failed\n")) << qPrintable(batchErrors);

    const auto [paletteExit, paletteErrors] = palshift({"convert", a, "-o", dir.filePath("a.bmp"), "--target-pal", dir.filePath("none.pal")});
    EXPECT_TRUE(paletteExit == 1 && paletteErrors.contains("Cannot open " + dir.filePath("none.pal") + ": ")) << qPrintable(paletteErrors);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.bmp")) || QFileInfo::exists(dir.filePath("none.pal")));
}

// Names that are not UTF-8 are used byte for byte by the streaming readers, in the result's name and
// in the message that names a cut picture.
TEST_F(CommandLine, UsesNamesThatAreNotUtf8ByteForByte)
{
    const QByteArray png = test::pngFile(2, 1, SPNG_COLOR_TYPE_GRAYSCALE, {0, 255}, SPNG_FILTER_CHOICE_NONE);
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    for (const auto& [name, bytes] : {std::pair{QByteArray("sprite\xff.png"), png}, {QByteArray("cut\xfe.png"), png.chopped(12)}}) {
        const int file = ::open((folder + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_TRUE(file >= 0 && ::write(file, bytes.constData(), std::size_t(bytes.size())) == bytes.size());
        ::close(file);
    }
    QDir().mkpath(dir.filePath("out"));
    const auto [exitCode, errors] = shell(R"sh(exec "$0" convert "$(printf 'sprite\377.png')" "$(printf 'cut\376.png')" --output-dir out 2>errors)sh");
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(test::readBytes(dir.filePath("errors")).contains("palshift: cut\xfe.png: truncated: "))
        << test::readBytes(dir.filePath("errors")).toHex(' ').constData();
    EXPECT_EQ(::access((folder + "out/sprite\xff.bmp").constData(), F_OK), 0);
    EXPECT_NE(::access((folder + "out/cut\xfe.bmp").constData(), F_OK), 0);
    for (const char* name : {"sprite\xff.png", "cut\xfe.png", "out/sprite\xff.bmp"})  // which QTemporaryDir cannot remove
        ::unlink((folder + name).constData());
}

// A write that fails, past the file size limit or into a closed pipe, fails the
// run with the system's reason (the signals of the first and last are ignored); -o - writes the
// result to standard output and - reads the picture from standard input.
TEST_F(CommandLine, WritesFilesAndPipesAndReportsFailedWrites)
{
    test::writeBytes(dir.filePath("prev.bmp"), "earlier");
    EXPECT_EQ(shell("ulimit -f 2; exec \"$0\" convert :/startup.bmp -o prev.bmp"),
              std::pair(1, QString("palshift: Cannot write prev.bmp: File too large\n")));
    EXPECT_EQ(test::readBytes(dir.filePath("prev.bmp")), "earlier");
    const auto closedPipe = [] {
        int ends[2];
        if (::pipe(ends) == 0)
            ::close(ends[0]), ::dup2(ends[1], STDOUT_FILENO), ::close(ends[1]);
    };
    EXPECT_EQ(palshift({"convert", ":/startup.bmp", "-o", "-"}, {.inChild = closedPipe}),
              std::pair(1, QString("palshift: Cannot write standard output: Broken pipe\n")));

    const QString sword = picture("sword.png");
    EXPECT_EQ(palshift({"convert", sword, "-o", "sword.bmp"}).first, 0);
    const auto [pipeExit, pipeErrors] = palshift({"convert", sword, "-o", "-"}, {.output = dir.filePath("piped.bmp")});
    EXPECT_TRUE(pipeExit == 0 && pipeErrors.isEmpty()) << qPrintable(pipeErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("piped.bmp")), test::readBytes(dir.filePath("sword.bmp")));
    const auto [inExit, inErrors] = palshift({"convert", "-", "-o", "from-pipe.bmp"}, {.input = sword});
    EXPECT_TRUE(inExit == 0 && test::readBytes(dir.filePath("from-pipe.bmp")) == test::readBytes(dir.filePath("sword.bmp"))) << qPrintable(inErrors);
    test::writeBytes(dir.filePath("cut.png"), test::readBytes(sword).chopped(12));
    EXPECT_EQ(palshift({"convert", "-", "-o", "big.bmp", "--memory-limit", "100"}, {.input = sword}),
              std::pair(1, QString("palshift: standard input holds more than 100 bytes, more than the memory budget "
                                   "of 100 bytes (--memory-limit sets it)\n")));
    // A few kilobytes that decode to megabytes: the budget counts the picture too.
    test::writeBytes(dir.filePath("wide.png"), test::pngFile(1024, 1024, SPNG_COLOR_TYPE_GRAYSCALE, std::vector<std::uint8_t>(1 << 20), 0));
    const auto [wideExit, wideErrors] = palshift({"convert", "-", "-o", "wide.bmp", "--memory-limit", "1M"}, {.input = dir.filePath("wide.png")});
    EXPECT_TRUE(wideExit == 1 && wideErrors.startsWith("palshift: standard input needs about ")
                && wideErrors.endsWith(" bytes of memory, more than the memory budget of 1.0 MiB (--memory-limit sets it)\n"))
        << qPrintable(wideErrors);
    const auto [cutExit, cutErrors] = palshift({"convert", "-", "-o", "cut.bmp"}, {.input = dir.filePath("cut.png")});
    EXPECT_TRUE(cutExit == 1 && cutErrors.startsWith("palshift: standard input: truncated: ")) << qPrintable(cutErrors);
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
    EXPECT_EQ(palshift({"convert", "in/a.png", "--bogus", "-o", "x.bmp"}).first, 2);
    const auto [appendExit, appendErrors] = palshift({"convert", "in/a.png", "-o", "-"}, {.output = dir.filePath("in/a.png")});
    EXPECT_TRUE(appendExit == 2 && appendErrors.startsWith("palshift: standard output would be written over its own input\n"))
        << qPrintable(appendErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("in/a.png")), a);
    EXPECT_EQ(test::readBytes(dir.filePath("in/b.png")), b);
    EXPECT_EQ(test::readBytes(dir.filePath("p/diablo2.pal")), test::readBytes(defaults.target));
    EXPECT_EQ(filesIn(".") + " / " + filesIn("out") + " / " + filesIn("p"), "hard.bmp in out p / a.bmp / diablo2.pal");
    EXPECT_TRUE(QFileInfo(dir.filePath("out/a.bmp")).isSymLink());
}

// A picture that needs more memory than there is says so, with its size; a file too large to be a
// picture is refused before any of it is read.
TEST_F(CommandLine, OutOfMemoryIsReportedAsSuch)
{
#ifdef PALSHIFT_SANITIZED
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit this test sets";
#endif
    // 16384 x 16384 RGB decodes to 1 GiB; its IDAT is short, which only shows once that is allocated.
    test::writeBytes(dir.filePath("large.png"), test::chunkedPng(16384, 16384, 8, 2, QByteArray::fromHex("00010203")));
    EXPECT_EQ(palshift({"convert", "large.png", "-o", "large.bmp"}, {.memory = rlim_t{768} << 20}),
              std::pair(1, QString("palshift: large.png: not enough memory to decode a 16384 x 16384 picture\n")));
    {
        QFile sparse(dir.filePath("huge.bmp"));
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(largestPictureFileBytes + 1));
    }
    EXPECT_EQ(palshift({"convert", "huge.bmp", "-o", "huge-result.bmp"}, {.memory = rlim_t{768} << 20}).second,
              "palshift: huge.bmp holds 3221225473 bytes; the largest picture file that loads holds 3221225472\n");
}


// The budget of --memory-limit reaches the batch: a picture whose estimate exceeds it is refused,
// naming both; the others convert.
TEST_F(CommandLine, RefusesAPictureLargerThanTheMemoryBudget)
{
    const QString small = picture("small.png"), large = picture("large.png", 600, 500);
    const qint64 need = estimatedPeakBytes(large);
    ASSERT_GT(need, estimatedPeakBytes(small));
    QDir().mkpath(dir.filePath("out"));
    const auto [exitCode, errors] = palshift({"convert", small, large, "--output-dir", "out", "--memory-limit", QString::number(need - 1)});
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(errors, "palshift: " + large + ": needs about " + memorySizeText(need) + " of memory to convert, more than the budget of "
                      + memorySizeText(need - 1) + " (--memory-limit sets it)\n" + "palshift: 1 converted, 1 failed\n");
    EXPECT_EQ(filesIn("out"), "small.bmp");
    EXPECT_EQ(palshift({"convert", large, "--output-dir", "out", "--memory-limit", QString::number(need)}).first, 0);
    EXPECT_EQ(filesIn("out"), "large.bmp small.bmp");
}

// The result's format comes from the output's ending, in any case, or --format; PCX is read by the
// program's reader, and a palette can be taken from a picture.
TEST_F(CommandLine, ReadsPcxAndWritesEveryFormat)
{
    const QString sword = picture("sword.png");
    const std::pair<QStringList, QByteArray> cases[] = {
        {{"-o", "sword.tga"}, "BM"}, {{"-o", "SWORD.PCX"}, "\x0a\x05"}, {{"-o", "forced.pcx", "--format", "png"}, "\x89PNG"},
    };
    for (const auto& [arguments, start] : cases) {
        EXPECT_EQ(palshift(QStringList{"convert", sword} + arguments).first, 0) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(test::readBytes(dir.filePath(arguments[1])).startsWith(start)) << qPrintable(arguments.join(' '));
    }
    // The converted PCX read back converts to itself: the Diablo 2 palette holds each of its colours.
    EXPECT_EQ(palshift({"convert", "SWORD.PCX", "-o", "again.pcx", "--source-pal", defaults.target}).first, 0);
    EXPECT_EQ(test::readBytes(dir.filePath("again.pcx")), test::readBytes(dir.filePath("SWORD.PCX")));
    // The colour table of the BMP result is the target palette, read from the picture by Qt GUI.
    EXPECT_EQ(palshift({"convert", sword, "-o", "by-table.bmp", "--target-pal", "sword.tga"}).first, 0);
    EXPECT_EQ(test::readBytes(dir.filePath("by-table.bmp")), test::readBytes(dir.filePath("sword.tga")));
}

// --source-pal, --target-pal, --transparent and --unmatched reach the conversion, on a grey ramp where
// each grey is its own nearest entry: (1, 2, 3) is nearest grey 2, and a transparent pixel takes the
// entry given.
TEST_F(CommandLine, AppliesTheTransparentAndUnmatchedRules)
{
    test::writeBytes(dir.filePath("grey.pal"), test::paletteBytes(test::greyPalette()));
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(9, 9, 9, 0));
    image.setPixel(1, 0, qRgb(1, 2, 3));
    ASSERT_TRUE(image.save(dir.filePath("sprite.png")));
    const QStringList grey{"convert", "sprite.png", "--source-pal", "grey.pal", "--target-pal", "grey.pal", "-o"};
    const auto indices = [&](const QStringList& options) {
        const auto [exitCode, errors] = palshift(grey + QStringList{"out.png"} + options);
        EXPECT_EQ(exitCode, 0) << qPrintable(errors);
        return test::indicesOf(QImage(dir.filePath("out.png")));
    };
    EXPECT_EQ(indices({}), (std::vector<int>{9, 0}));
    EXPECT_EQ(indices({"--transparent", "5", "--unmatched", "nearest"}), (std::vector<int>{5, 2}));
    EXPECT_EQ(qAlpha(QImage(dir.filePath("out.png")).colorTable().value(5)), 0);
    EXPECT_EQ(palshift(grey + QStringList{"out.bmp"}).second,
              "palshift: warning: sprite.png: 1 of 2 pixels match no colour of the Diablo 1 palette and were converted as entry 0\n");
    EXPECT_TRUE(palshift({"convert", "-", "--source-pal", "grey.pal", "--target-pal", "grey.pal", "-o", "in.bmp"}, {.input = dir.filePath("sprite.png")})
                    .second.startsWith("palshift: warning: standard input: 1 of 2 pixels"));
    EXPECT_EQ(palshift(grey + QStringList{"-", "--unmatched", "fail"}, {.output = dir.filePath("piped")}),
              std::pair(1, QString("palshift: sprite.png: 1 pixel matches no colour of the source palette; the first is at (1, 0): #010203\n")));
    EXPECT_EQ(test::readBytes(dir.filePath("piped")), "");
    EXPECT_EQ(palshift(grey + QStringList{"x.png", "--transparent", "256"}).first, 2);
}

// Several pictures into one DC6, also from standard input, and the DC6's options reach its frames;
// a DC6 read back gives its sheet, or itself with its offsets.
TEST_F(CommandLine, WritesAndReadsDc6Sprites)
{
    QStringList pictures;
    for (const QString name : {"a.png", "b.png", "c.png", "d.png"})
        pictures << picture(name, 4 + pictures.size(), 2);
    EXPECT_EQ(palshift(QStringList{"convert"} + pictures + QStringList{"--directions", "2", "--offset", "1,2", "-o", "walk.dc6"}),
              std::pair(0, QString("palshift: walk.dc6: 4 frames in 2 directions written\n")));
    const Dc6Sprite sprite = readDc6(test::readBytes(dir.filePath("walk.dc6")), "walk.dc6");
    EXPECT_TRUE(sprite.frames.size() == 4 && sprite.directions == 2);
    ASSERT_EQ(palshift({"convert", "walk.dc6", "-o", "sheet.png"}).first, 0);
    ASSERT_EQ(palshift({"convert", "walk.dc6", "-o", "again.dc6", "--directions", "2"}).first, 0);
    EXPECT_EQ(test::readBytes(dir.filePath("again.dc6")), test::readBytes(dir.filePath("walk.dc6")));
    EXPECT_EQ(QImage(dir.filePath("sheet.png")).size(), QSize(6 + 7, 2 + 2));
    ASSERT_EQ(palshift({"convert", "-", "-o", "piped.dc6", "--transparent", "0"}, {.input = pictures[0]}).first, 0);
    EXPECT_EQ(readDc6(test::readBytes(dir.filePath("piped.dc6")), "piped.dc6").frames[0].indices, sprite.frames[0].indices);

    // The top-left pixel, in Diablo 1 entry 0's colour, is keyed out.
    const QString key = QString::number(QImage(pictures[0]).pixel(0, 0) & 0xFFFFFF, 16).rightJustified(6, '0');
    ASSERT_EQ(palshift({"convert", pictures[0], "--frames", "2x1", "--offset", "-3,7", "--transparent-colour", key,
                        "--format", "dc6", "-o", "cut.bin"}).first, 0);
    const Dc6Sprite cut = readDc6(test::readBytes(dir.filePath("cut.bin")), "cut.bin");
    ASSERT_EQ(cut.frames.size(), 2u);
    EXPECT_EQ(std::tuple(cut.frames[1].width, cut.frames[1].offsetX, cut.frames[1].offsetY, cut.frames[0].indices[0]),
              std::tuple(2, -3, 7, 0));
    EXPECT_EQ(palshift({"convert", pictures[0], "--directions", "3", "-o", "x.dc6"}),
              std::pair(2, QString("palshift: --directions 3 does not divide the 1 frames of x.dc6\n"
                                   "Try 'palshift --help' for more information.\n")));
    for (const QStringList& wrong : {QStringList{"--frames", "2x1", "-o", "x.png"}, {"--offset", "3", "-o", "x.dc6"},
                                     {"--transparent-colour", "12345", "-o", "x.dc6"}})
        EXPECT_EQ(palshift(QStringList{"convert", pictures[0]} + wrong).first, 2) << qPrintable(wrong.join(' '));
}

// palshift map and --map-out write how each source entry maps, as CSV or as 256 bytes.
TEST_F(CommandLine, WritesTheMappingTable)
{
    test::writeBytes(dir.filePath("grey.pal"), test::paletteBytes(test::greyPalette()));
    const QStringList grey{"--source-pal", "grey.pal", "--target-pal", "grey.pal"};
    const auto [csvExit, csvErrors] = palshift(QStringList{"map", "-o", "map.csv", "--transparent", "5"} + grey);
    EXPECT_TRUE(csvExit == 0 && csvErrors.isEmpty()) << qPrintable(csvErrors);
    const QList<QByteArray> lines = test::readBytes(dir.filePath("map.csv")).split('\n');
    ASSERT_EQ(lines.size(), 258);
    EXPECT_EQ(lines[1 + 5], "5,#050505,4,#040404,3");

    const QString sword = picture("sword.png");
    EXPECT_EQ(palshift(QStringList{"convert", sword, "-o", "s.bmp", "--map-out", "colours.DAT"} + grey).first, 0);
    EXPECT_EQ(test::readBytes(dir.filePath("colours.DAT")).mid(250), "\xfa\xfb\xfc\xfd\xfe\xff");
    const auto [exitCode, errors] = palshift({"convert", sword, "-o", "a.bmp", "--map-out", sword});
    EXPECT_EQ(exitCode, 2);
    EXPECT_TRUE(errors.startsWith("palshift: " + sword + " would be written over the picture " + sword + ", which this run reads\n"))
        << qPrintable(errors);
    EXPECT_EQ(filesIn("."), "colours.DAT grey.pal map.csv s.bmp sword.png");
}

// A closed standard descriptor is refused by name, before Qt could take its number for a file
// of its own and read or write that instead.
TEST_F(CommandLine, RefusesClosedStandardDescriptors)
{
    picture("in.png");
    for (const auto& [command, message] : {std::pair{"convert - -o x.bmp <&-", "standard input (-) is closed\n"},
                                           {"convert in.png -o - >&-", "-o - writes the picture to standard output, which is closed\n"}}) {
        const auto [exitCode, errors] = shell(QString("exec timeout 30 \"$0\" ") + command);
        EXPECT_EQ(exitCode, 2) << command;
        EXPECT_TRUE(errors.startsWith(QString("palshift: ") + message)) << qPrintable(errors);
    }
    EXPECT_EQ(filesIn("."), "in.png");
}

}  // namespace palshift
