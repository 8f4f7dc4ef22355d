#include "app/batch.h"
#include "palettes/palette.h"
#include "convert/palette_file.h"
#include "pictures/dc6_reader.h"
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


// A picture that fails fails the run, told once, as does one whose estimate exceeds the budget of
// --memory-limit; the others are still converted, each named after its picture. A palette that
// cannot be read is named, and nothing is converted.
TEST_F(CommandLine, ConvertsEachPictureAndReportsEachFailure)
{
    const QString a = picture("in/a.b.png"), hidden = picture("in/.png"), large = picture("in/large.png", 600, 500);
    const qint64 need = estimatedPeakBytes(large);
    test::writeBytes(dir.filePath("in/bad.jpg"), QByteArray::fromHex("ffd8ffdb00") + QByteArray(10, '\0'));  // a table of length 0
    QDir().mkpath(dir.filePath("out"));
    const auto [batchExit, batchErrors] = palshift({"convert", a, dir.filePath("in/missing.gif"), dir.filePath("in/bad.jpg"), hidden, large,
                                                    "--output-dir", dir.filePath("out"), "--memory-limit", QString::number(need - 1)});
    for (const QString& failure : {"Cannot open " + dir.filePath("in/missing.gif") + ": ", "Cannot decode " + dir.filePath("in/bad.jpg") + ": ",
                                   large + ": needs about " + memorySizeText(need) + " of memory to convert, more than the budget of "
                                       + memorySizeText(need - 1) + " (--memory-limit sets it)\n"})
        EXPECT_TRUE(batchErrors.contains("palshift: " + failure)) << qPrintable(batchErrors);
    EXPECT_EQ(batchExit, 1) << qPrintable(batchErrors);
    EXPECT_EQ(filesIn("out"), ".png.bmp a.b.bmp");
    EXPECT_EQ(batchErrors.count('\n'), 4) << qPrintable(batchErrors);
    EXPECT_TRUE(batchErrors.endsWith("palshift: 2 converted, 3 failed\n")) << qPrintable(batchErrors);

    const auto [paletteExit, paletteErrors] = palshift({"convert", a, "-o", dir.filePath("a.bmp"), "--target-pal", dir.filePath("none.pal")});
    EXPECT_TRUE(paletteExit == 1 && paletteErrors.contains("Cannot open " + dir.filePath("none.pal") + ": ")) << qPrintable(paletteErrors);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.bmp")));
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
    for (const char* name : {"sprite\xff.png", "cut\xfe.png", "out/sprite\xff.bmp"})  // which QTemporaryDir cannot remove
        ::unlink((folder + name).constData());
}

// A write that fails, past the file size limit or into a closed pipe, fails the
// run with the system's reason (the signals of the first and last are ignored); - reads the
// picture from standard input and -o - writes the result to standard output.
TEST_F(CommandLine, WritesFilesAndPipesAndReportsFailedWrites)
{
    EXPECT_EQ(shell("ulimit -f 2; exec \"$0\" convert :/startup.bmp -o prev.bmp"),
              std::pair(1, QString("palshift: Cannot write prev.bmp: File too large\n")));
    const auto closedPipe = [] {
        int ends[2];
        if (::pipe(ends) == 0)
            ::close(ends[0]), ::dup2(ends[1], STDOUT_FILENO), ::close(ends[1]);
    };
    EXPECT_EQ(palshift({"convert", ":/startup.bmp", "-o", "-"}, {.inChild = closedPipe}),
              std::pair(1, QString("palshift: Cannot write standard output: Broken pipe\n")));

    const QString sword = picture("sword.png");
    EXPECT_EQ(palshift({"convert", sword, "-o", "sword.bmp"}).first, 0);
    const auto [pipeExit, pipeErrors] = palshift({"convert", "-", "-o", "-"}, {.output = dir.filePath("piped.bmp"), .input = sword});
    EXPECT_TRUE(pipeExit == 0 && pipeErrors.isEmpty()) << qPrintable(pipeErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("piped.bmp")), test::readBytes(dir.filePath("sword.bmp")));
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
// a picture or palette this run reads, is a usage error.
TEST_F(CommandLine, UsageErrorsExitTwoBeforeAnyWork)
{
    picture("in/a.png");
    picture("in/b.png");
    QDir().mkpath(dir.filePath("out"));
    QDir().mkpath(dir.filePath("p"));
    ASSERT_TRUE(QFile::copy(defaults.target, dir.filePath("p/diablo2.pal")));
    ASSERT_TRUE(QFile::link("../in/b.png", dir.filePath("out/a.bmp")));
    ASSERT_EQ(link(qPrintable(dir.filePath("in/a.png")), qPrintable(dir.filePath("hard.bmp"))), 0);

    const std::pair<QStringList, QString> cases[] = {
        {{"in/a.png"}, "say where to write: -o OUTPUT for one picture, --output-dir DIR for several"},
        {{"in/a.png", "in/b.png", "--output-dir", "out"}, "out/a.bmp would be written over the picture in/b.png, which this run reads"},
        {{"in/a.png", "out/../in/a.png", "--output-dir", "p"}, "in/a.png and out/../in/a.png would both be written to p/a.bmp"},
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
        {{"in/a.png", "-o", "x.bmp", "--map-out", "in/a.png"}, "in/a.png would be written over the picture in/a.png, which this run reads"},
        {{"in/a.png", "--frames", "2x1", "-o", "x.png"}, "--frames shapes a DC6 result; this one is png"},
        {{"in/a.png", "--offset", "3", "-o", "x.dc6"}, "--offset takes X,Y such as -32,8, not '3'"},
        {{"in/a.png", "--transparent-colour", "12345", "-o", "x.dc6"}, "--transparent-colour takes a colour as RRGGBB, such as FF00FF, not '12345'"},
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
    test::writeBytes(dir.filePath("huge.bmp"), {});
    ASSERT_EQ(::truncate(qPrintable(dir.filePath("huge.bmp")), largestPictureFileBytes + 1), 0);  // sparse
    EXPECT_EQ(palshift({"convert", "huge.bmp", "-o", "huge-result.bmp"}, {.memory = rlim_t{768} << 20}).second,
              "palshift: huge.bmp holds 3221225473 bytes; the largest picture file that loads holds 3221225472\n");
}


// The palettes (the target's here from a picture's colour table), --transparent and --unmatched
// reach the conversion, on a grey ramp where each grey is its own nearest entry: (1, 2, 3) is
// nearest grey 2, and a transparent pixel takes the entry given.
TEST_F(CommandLine, AppliesThePalettesAndRules)
{
    const Palette grey = test::greyPalette();
    test::writeBytes(dir.filePath("grey.pal"), test::paletteBytes(grey));
    test::writeBytes(dir.filePath("grey.bmp"), test::bmpFile(1, 1, 8, {0}, true, {grey.begin(), grey.end()}));
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(9, 9, 9, 0));
    image.setPixel(1, 0, qRgb(1, 2, 3));
    ASSERT_TRUE(image.save(dir.filePath("sprite.png")));
    const QStringList greys{"--source-pal", "grey.pal", "--target-pal", "grey.bmp", "-o"};
    EXPECT_EQ(palshift(QStringList{"convert", "sprite.png", "--transparent", "5", "--unmatched", "nearest"} + greys + QStringList{"out.png"}).first, 0);
    EXPECT_EQ(test::indicesOf(QImage(dir.filePath("out.png"))), (std::vector<int>{5, 2}));
    EXPECT_EQ(palshift(QStringList{"convert", "sprite.png"} + greys + QStringList{"out.bmp"}).second,
              "palshift: warning: sprite.png: 1 of 2 pixels match no colour of the Diablo 1 palette and were converted as entry 0\n");
    EXPECT_TRUE(palshift(QStringList{"convert", "-"} + greys + QStringList{"in.bmp"}, {.input = dir.filePath("sprite.png")})
                    .second.startsWith("palshift: warning: standard input: 1 of 2 pixels"));
    EXPECT_EQ(palshift(QStringList{"convert", "sprite.png", "--unmatched", "fail"} + greys + QStringList{"out.bmp"}),
              std::pair(1, QString("palshift: sprite.png: 1 pixel matches no colour of the source palette; the first is at (1, 0): #010203\n")));
    EXPECT_EQ(palshift(QStringList{"convert", "sprite.png", "--transparent", "256"} + greys + QStringList{"x.png"}).first, 2);
}

// Several pictures into one DC6 (by the output's ending, or by --format), also from standard input,
// and the DC6's options reach its frames; a count of directions that does not divide them is a
// usage error.
TEST_F(CommandLine, WritesDc6Sprites)
{
    const QStringList pictures{picture("a.png", 4, 2), picture("b.png", 5, 2)};
    EXPECT_EQ(palshift(QStringList{"convert"} + pictures + QStringList{"--directions", "2", "-o", "walk.dc6"}),
              std::pair(0, QString("palshift: walk.dc6: 2 frames in 2 directions written\n")));
    EXPECT_EQ(palshift({"convert", "-", "-o", "piped.dc6", "--transparent", "0"}, {.input = pictures[0]}).first, 0);

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
}

// palshift map and --map-out write how each source entry maps, as CSV or as 256 bytes.
TEST_F(CommandLine, WritesTheMappingTable)
{
    test::writeBytes(dir.filePath("grey.pal"), test::paletteBytes(test::greyPalette()));
    const QStringList grey{"--source-pal", "grey.pal", "--target-pal", "grey.pal"};
    EXPECT_EQ(palshift(QStringList{"map", "-o", "map.csv", "--transparent", "5"} + grey), std::pair(0, QString()));
    EXPECT_EQ(test::readBytes(dir.filePath("map.csv")).split('\n').value(1 + 5), "5,#050505,4,#040404,3");

    const QString sword = picture("sword.png");
    EXPECT_EQ(palshift(QStringList{"convert", sword, "-o", "s.bmp", "--map-out", "colours.DAT"} + grey).first, 0);
    EXPECT_EQ(test::readBytes(dir.filePath("colours.DAT")).mid(250), "\xfa\xfb\xfc\xfd\xfe\xff");
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
}

}  // namespace palshift
