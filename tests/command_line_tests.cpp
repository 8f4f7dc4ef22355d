#include "convert/palette.h"
#include "convert/palette_file.h"
#include "bmp/bmp_header.h"
#include "app/batch.h"
#include "bmp/picture_export.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "pictures/pcx_reader.h"
#include "pictures/pcx_writer.h"
#include "platform/image_surface.h"
#include "platform/picture_loading.h"
#include "picture_files.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace palshift {

class CommandLine : public testing::Test {
protected:
    // Runs palshift in dir (or program with arguments); gives its exit code and what it wrote to stderr.
    std::pair<int, QString> palshift(const QStringList& arguments, const std::function<void(QProcess&)>& setUp = {},
                                     const QString& program = PALSHIFT_EXECUTABLE)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        if (setUp)
            setUp(process);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) << qPrintable(arguments.join(' '));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    }

    // A 9 x 5 picture in colours of the default Diablo 1 palette, the first `unmatched` pixels in 1, 2, 3
    // (which it lacks); 8-bit when indexed.
    QString picture(const QString& name, int unmatched = 0, bool indexed = false)
    {
        const QByteArray palette = test::readBytes(defaults.source);
        QList<QRgb> table;
        for (int entry = 0; entry < 256; ++entry)
            table.append(qRgb(uchar(palette[3 * entry]), uchar(palette[3 * entry + 1]), uchar(palette[3 * entry + 2])));
        QImage image(9, 5, QImage::Format_RGB32);
        for (int k = 0; k < 45; ++k)
            image.setPixel(k % 9, k / 9, k < unmatched ? qRgb(1, 2, 3) : table[k * 7 % 256]);
        QDir().mkpath(QFileInfo(dir.filePath(name)).path());
        EXPECT_TRUE((indexed ? image.convertToFormat(QImage::Format_Indexed8, table) : image).save(dir.filePath(name)));
        return dir.filePath(name);
    }

    // Small hand-made palettes, and a 3 x 2 picture in their colours: its Diablo 1 entries are 3, 5, none
    // (so 0), 9, 7, 0, and their nearest Diablo 2 entries 2, 3, 0, 6, 7, 0.
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

    // Starts palshift in dir with these argument bytes, standard output to output and stderr to errors.
    pid_t spawn(const std::vector<QByteArray>& arguments, int output, int errors)
    {
        std::vector<QByteArray> all{PALSHIFT_EXECUTABLE};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (QByteArray& argument : all)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const QByteArray folder = QFile::encodeName(dir.path());
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(folder.constData()) != 0 || dup2(output, STDOUT_FILENO) < 0 || dup2(errors, STDERR_FILENO) < 0)
                _exit(127);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return child;
    }

    // The exit status of a palshift run with these argument bytes, its output thrown away.
    int exitStatusOf(const std::vector<QByteArray>& arguments)
    {
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        const pid_t child = spawn(arguments, nowhere, nowhere);
        close(nowhere);
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    // A width x height picture in colours of the default Diablo 1 palette.
    QString largePicture(const QString& name, int width, int height)
    {
        const QByteArray palette = test::readBytes(defaults.source);
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int entry = 3 * ((x + y) % 256);
                image.setPixel(x, y, qRgb(uchar(palette[entry]), uchar(palette[entry + 1]), uchar(palette[entry + 2])));
            }
        EXPECT_TRUE(image.save(dir.filePath(name)));
        return dir.filePath(name);
    }

    QByteArray rawNamesIn(const QString& folder) const
    {
        QByteArrayList names;
        if (DIR* const listing = opendir(QFile::encodeName(dir.filePath(folder)))) {
            while (const dirent* entry = readdir(listing))
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    names.append(entry->d_name);
            closedir(listing);
        }
        std::sort(names.begin(), names.end());
        return names.join(' ');
    }

    QString filesIn(const QString& folder) const
    {
        return QDir(dir.filePath(folder)).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name).join(' ');
    }

    QTemporaryDir dir;
    const PaletteFiles defaults = defaultPaletteFiles(QFileInfo(PALSHIFT_EXECUTABLE).path());
};

// A picture that fails fails the run; the others are still converted, and an earlier result of the
// failed one is left byte for byte. An 8-bit picture converts as its colours do in any other format.
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

    const QString a = handMadePicture("in/a.b.png"), b = handMadePicture("in/b.bmp", true);
    test::writeBytes(dir.filePath("in/broken.png"), "not a picture");
    QDir().mkpath(dir.filePath("out"));
    test::writeBytes(dir.filePath("out/broken.bmp"), "an earlier result");
    const auto [batchExit, batchErrors] = palshift(QStringList{"convert", a, dir.filePath("in/missing.gif"), dir.filePath("in/broken.png"),
                                                               b, "--output-dir", dir.filePath("out")} + palettes);
    for (const QString& failure : {"Cannot open " + dir.filePath("in/missing.gif"), "Cannot decode " + dir.filePath("in/broken.png")})
        EXPECT_TRUE(batchErrors.contains("palshift: " + failure + ": ")) << qPrintable(batchErrors);
    EXPECT_EQ(batchExit, 1) << qPrintable(batchErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("out/a.b.bmp")).mid(1078), handMadeIndices);
    EXPECT_EQ(test::readBytes(dir.filePath("out/b.bmp")), test::readBytes(dir.filePath("out/a.b.bmp")));
    EXPECT_EQ(test::readBytes(dir.filePath("out/broken.bmp")), "an earlier result");
    EXPECT_EQ(QDir(dir.filePath("out")).entryList(QDir::Files), QStringList({"a.b.bmp", "b.bmp", "broken.bmp"}));

    // Without a palette nothing is converted.
    const auto [paletteExit, paletteErrors] = palshift({"convert", a, "-o", dir.filePath("a.bmp"), "--target-pal", dir.filePath("none.pal")});
    EXPECT_TRUE(paletteExit == 1 && paletteErrors.contains("Cannot open " + dir.filePath("none.pal") + ": ")) << qPrintable(paletteErrors);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.bmp")) || QFileInfo::exists(dir.filePath("none.pal")));
}

TEST_F(CommandLine, UsageErrorsExitTwoBeforeAnyWork)
{
    const QString a = handMadePicture("a.png"), twin = handMadePicture("twin/a.png");
    const QString out = dir.filePath("out"), x = dir.filePath("x.bmp");
    QDir().mkpath(out);
    const QStringList cases[] = {
        {"convert"}, {"convert", a}, {"convert", a, "--bogus", "-o", x}, {"convert", a, twin, "-o", x},
        {"convert", a, "-o", x, "--output-dir", out}, {"convert", a, "--output-dir", dir.filePath("no-such-folder")},
        {"convert", a, twin, "--output-dir", out}, {"convert", a, "-o", a}, {"convert", "./a.png", "-o", "a.png"},
        {"conver", a, "-o", x}, {"Convert", a, "-o", x}, {"converts", a, "-o", x},
    };
    for (const QStringList& arguments : cases) {
        const auto [exitCode, errors] = palshift(arguments);
        EXPECT_EQ(exitCode, 2) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(errors.startsWith("palshift: ")) << qPrintable(errors);
    }
    EXPECT_TRUE(palshift({"convert", a, twin, "--output-dir", out}).second.contains(a + " and " + twin));
    EXPECT_TRUE(QDir(out).isEmpty() && !QFileInfo::exists(x));
    EXPECT_EQ(test::readBytes(a), test::readBytes(twin));  // a was not written over by its own result
}

// A write that fails, short or whole, fails the run with the system's reason and leaves the
// earlier file byte for byte, with nothing beside it.
TEST_F(CommandLine, AFailedWriteFailsTheRunAndKeepsTheEarlierFile)
{
    test::writeBytes(dir.filePath("prev.bmp"), "earlier");
    const auto [exitCode, errors] = palshift({"-c", "ulimit -f 2; exec \"$0\" convert :/startup.bmp -o prev.bmp", PALSHIFT_EXECUTABLE},
                                             {}, "/bin/sh");
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(errors, "palshift: Cannot write prev.bmp: File too large\n");
    EXPECT_EQ(test::readBytes(dir.filePath("prev.bmp")), "earlier");
    EXPECT_EQ(filesIn("."), "prev.bmp");

    const auto [fullExit, fullErrors] = palshift({"convert", ":/startup.bmp", "-o", "-"},
                                                 [](QProcess& process) { process.setStandardOutputFile("/dev/full"); });
    EXPECT_EQ(fullExit, 1);
    EXPECT_EQ(fullErrors, "palshift: Cannot write standard output: No space left on device\n");
}

// -o - writes the same bytes to standard output; SIGTERM and SIGINT end a run with 143 and 130.
TEST_F(CommandLine, WritesToStandardOutputForPipes)
{
    const QString sword = picture("sword.png");
    EXPECT_EQ(palshift({"convert", sword, "-o", "sword.bmp"}).first, 0);
    const auto [exitCode, errors] = palshift({"convert", sword, "-o", "-"},
                                             [&](QProcess& process) { process.setStandardOutputFile(dir.filePath("piped.bmp")); });
    EXPECT_TRUE(exitCode == 0 && errors.isEmpty()) << exitCode << qPrintable(errors);
    EXPECT_EQ(test::readBytes(dir.filePath("piped.bmp")), test::readBytes(dir.filePath("sword.bmp")));

    // Stopped for certain while writing: a result larger than the pipe that nobody reads.
    const QString large = largePicture("large.png", 400, 400);
    for (const int signal : {SIGTERM, SIGINT}) {
        int pipeEnds[2];
        ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
        const int capacity = fcntl(pipeEnds[0], F_GETPIPE_SZ);
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        const pid_t child = spawn({"convert", QFile::encodeName(large), "-o", "-"}, pipeEnds[1], nowhere);
        close(pipeEnds[1]);
        close(nowhere);
        int waiting = 0;  // once anything is there the save has begun, and it cannot end
        for (int tries = 0; tries < 3000 && waiting == 0; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ioctl(pipeEnds[0], FIONREAD, &waiting);
        }
        EXPECT_TRUE(waiting > 0 && waiting < 400 * 400) << waiting << " of " << capacity;
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        close(pipeEnds[0]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << status;
    }
}

// Before any work: every output that is no regular file, or that is (however it is spelled) a
// picture or palette this run reads, is a usage error, and nothing is written.
TEST_F(CommandLine, RefusesOutputsThatWouldReplaceWhatTheRunReads)
{
    picture("in/a.png");
    picture("in/b.png");
    QDir().mkpath(dir.filePath("out"));
    QDir().mkpath(dir.filePath("p"));
    ASSERT_TRUE(QFile::copy(defaults.target, dir.filePath("p/diablo2.pal")));
    ASSERT_TRUE(QFile::link("../in/b.png", dir.filePath("out/a.bmp")));
    QDir().mkpath(dir.filePath("dangling"));
    ASSERT_TRUE(QFile::link("b.bmp", dir.filePath("dangling/a.bmp")));  // to a result not written yet
    ASSERT_EQ(link(qPrintable(dir.filePath("in/a.png")), qPrintable(dir.filePath("hard.bmp"))), 0);
    ASSERT_EQ(mkfifo(qPrintable(dir.filePath("fifo.bmp")), 0600), 0);
    const QByteArray a = test::readBytes(dir.filePath("in/a.png")), b = test::readBytes(dir.filePath("in/b.png"));

    const std::pair<QStringList, QString> cases[] = {
        {{"in/a.png", "in/b.png", "--output-dir", "out"}, "out/a.bmp would be written over the picture in/b.png, which this run reads"},
        {{"in/a.png", "in/b.png", "--output-dir", "dangling"}, "in/a.png and in/b.png would both be written to dangling/b.bmp"},
        {{"./in/a.png", "-o", "in/a.png"}, "in/a.png would be written over its own input"},
        {{"in/a.png", "-o", "out/../in/./a.png"}, "out/../in/./a.png would be written over its own input"},
        {{"in/a.png", "-o", "hard.bmp"}, "hard.bmp would be written over its own input"},
        {{"in/a.png", "-o", "p/diablo2.pal", "--target-pal", "./p/diablo2.pal"},
         "p/diablo2.pal would be written over the palette ./p/diablo2.pal, which this run reads"},
        {{"in/a.png", "-o", "p/new.pal", "--source-pal", "p/../p/new.pal"},
         "p/new.pal would be written over the palette p/../p/new.pal, which this run reads"},
        {{"in/a.png", "in/b.png", "--output-dir", "out", "--source-pal", "hard.bmp"},
         "out/a.bmp would be written over the picture in/b.png, which this run reads"},
        {{"in/a.png", "-o", "/dev/null"}, "/dev/null is a character device, not a regular file; it is left as it is"},
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
    // Standard output appending to the picture it converts.
    const auto [exitCode, errors] = palshift({"convert", "in/a.png", "-o", "-"}, [&](QProcess& process) {
        process.setStandardOutputFile(dir.filePath("in/a.png"), QIODevice::Append);
    });
    EXPECT_TRUE(exitCode == 2 && errors.startsWith("palshift: standard output would be written over its own input\n")) << qPrintable(errors);

    EXPECT_EQ(test::readBytes(dir.filePath("in/a.png")), a);
    EXPECT_EQ(test::readBytes(dir.filePath("in/b.png")), b);
    EXPECT_EQ(test::readBytes(dir.filePath("p/diablo2.pal")), test::readBytes(defaults.target));
    EXPECT_EQ(filesIn("."), "dangling fifo.bmp hard.bmp in out p");
    EXPECT_EQ(filesIn("dangling"), "a.bmp");
    EXPECT_EQ(filesIn("out") + " / " + filesIn("p"), "a.bmp / diablo2.pal");
    struct stat fifo{};
    EXPECT_TRUE(QFileInfo(dir.filePath("out/a.bmp")).isSymLink() && stat(qPrintable(dir.filePath("fifo.bmp")), &fifo) == 0
                && S_ISFIFO(fifo.st_mode));
}

// Each result is named after its picture, its own bytes included; a name that is all extension
// keeps it rather than giving a hidden file.
TEST_F(CommandLine, NamesEachResultAfterItsPicture)
{
    const QByteArray sword = test::readBytes(picture("sword.png"));
    QDir().mkpath(dir.filePath("out"));
    const QByteArray latin1Name = "sp\xE9" "e.png";  // not UTF-8
    for (const QByteArray& name : {QByteArray(".png"), QByteArray("a.b.png"), latin1Name}) {
        const int fd = open(QFile::encodeName(dir.path()) + "/" + name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_TRUE(fd >= 0 && write(fd, sword.constData(), size_t(sword.size())) == sword.size());
        close(fd);
    }
    EXPECT_EQ(exitStatusOf({"convert", ".png", "a.b.png", latin1Name, "--output-dir", "out"}), 0);
    EXPECT_EQ(exitStatusOf({"convert", latin1Name, "-o", "r\xE9sult.bmp"}), 0);

    const QByteArray expected = test::readBytes(dir.filePath("out/.png.bmp"));
    EXPECT_EQ(expected.left(2), "BM");
    for (const QByteArray& result : {QByteArray("out/a.b.bmp"), QByteArray("out/sp\xE9" "e.bmp"), QByteArray("r\xE9sult.bmp")}) {
        QFile file;
        const int fd = open(QFile::encodeName(dir.path()) + "/" + result, O_RDONLY | O_CLOEXEC);
        ASSERT_TRUE(fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) << result.constData();
        EXPECT_EQ(file.readAll(), expected) << result.constData();
    }
    EXPECT_EQ(rawNamesIn("out"), QByteArray(".png.bmp a.b.bmp sp\xE9" "e.bmp"));
    for (const QByteArray& name : {QByteArray("out/sp\xE9" "e.bmp"), QByteArray("r\xE9sult.bmp"), latin1Name})
        unlink(QFile::encodeName(dir.path()) + "/" + name);  // which QTemporaryDir could not spell
}

// A picture that needs more than the memory budget is refused, naming both; the others convert.
// Read row by row, a 600 x 600 picture needs its 360,000-byte result, two rows and the reader's buffers.
TEST_F(CommandLine, RefusesAPictureLargerThanTheMemoryBudget)
{
    const QString small = picture("small.png");
    const QString large = largePicture("large.png", 600, 600);
    QDir().mkpath(dir.filePath("out"));
    const auto [exitCode, errors] = palshift({"convert", small, large, "--output-dir", "out", "--memory-limit", "600K"});
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(errors, "palshift: " + large + ": needs about " + memorySizeText(360000 + 8 * 600 + (256 << 10))
                      + " of memory to convert, more than the budget of 600.0 KiB (--memory-limit sets it)\n");
    EXPECT_EQ(filesIn("out"), "small.bmp");
    EXPECT_EQ(palshift({"convert", small, large, "--output-dir", "out", "--memory-limit", "620K"}).first, 0);
    EXPECT_EQ(filesIn("out"), "large.bmp small.bmp");
    // Decoded whole by Qt for a transparent entry and converted whole: four bytes a pixel and the
    // result, also for a BMP.
    const QString tall = largePicture("tall.png", 1000, 2000);
    const auto [qtExit, qtErrors] = palshift({"convert", tall, "-o", "tall.bmp", "--transparent", "0", "--memory-limit", "9M"});
    EXPECT_EQ(qtExit, 1);
    EXPECT_TRUE(qtErrors.contains("needs about " + memorySizeText(5 * 2'000'000))) << qPrintable(qtErrors);
}

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

// Palettes in any format, found by content and name or named by option, give the same result as
// the raw file; a wrong one is refused, naming it and the reason, with nothing written.
TEST_F(CommandLine, ReadsPalettesInEveryFormat)
{
    const QString sword = picture("sword.png");
    ASSERT_EQ(palshift({"convert", sword, "-o", "plain.bmp"}).first, 0);
    const QByteArray plain = test::readBytes(dir.filePath("plain.bmp"));

    const QByteArray rgb = test::readBytes(defaults.source), targetRgb = test::readBytes(defaults.target);
    QByteArray jasc = "JASC-PAL\r\n0100\r\n256\r\n", bgr;
    for (int entry = 0; entry < 256; ++entry) {
        jasc += QByteArray::number(uchar(rgb[3 * entry])) + ' ' + QByteArray::number(uchar(rgb[3 * entry + 1])) + ' '
                + QByteArray::number(uchar(rgb[3 * entry + 2])) + "\r\n";
        bgr += targetRgb[3 * entry + 2];
        bgr += targetRgb[3 * entry + 1];
        bgr += targetRgb[3 * entry];
    }
    test::writeBytes(dir.filePath("source.pal"), jasc);
    QDir().mkpath(dir.filePath("act2"));
    test::writeBytes(dir.filePath("act2/PAL.DAT"), bgr);
    const auto [exitCode, errors] = palshift({"convert", sword, "-o", "formats.bmp", "--source-pal", "source.pal",
                                              "--target-pal", "act2/PAL.DAT"});
    EXPECT_TRUE(exitCode == 0 && errors.isEmpty()) << qPrintable(errors);
    EXPECT_EQ(test::readBytes(dir.filePath("formats.bmp")), plain);
    // Named as bgr, the raw file's colours are read the other way round.
    EXPECT_EQ(palshift({"convert", sword, "-o", "named.bmp", "--target-pal", defaults.target, "--target-pal-format", "bgr"}).first, 0);
    const QByteArray named = test::readBytes(dir.filePath("named.bmp"));
    EXPECT_EQ(named.mid(54, 4), targetRgb.left(3) + '\0');  // the table as stored: blue first
    EXPECT_NE(named.mid(54, 1024), plain.mid(54, 1024));

    test::writeBytes(dir.filePath("long.pal"), QByteArray(769, '\1'));
    const std::pair<QStringList, QString> refusals[] = {
        {{"--source-pal", "long.pal"}, "palshift: long.pal: not a palette: 769 bytes; expected 768 bytes of RGB, or a "
                                       "JASC-PAL, GIMP, RIFF or ACT palette, or an 8-bit picture; nothing was converted\n"},
        {{"--target-pal", "source.pal", "--target-pal-format", "act"},
         "palshift: source.pal: holds " + QString::number(jasc.size()) + " bytes; an ACT palette is 768 or 772 bytes; "
         "nothing was converted\n"},
    };
    for (const auto& [arguments, message] : refusals) {
        const auto [refusedExit, refusal] = palshift(QStringList{"convert", sword, "-o", "refused.bmp"} + arguments);
        EXPECT_EQ(refusedExit, 1);
        EXPECT_TRUE(refusal.startsWith(message)) << qPrintable(refusal);
    }
    const auto [usageExit, usage] = palshift({"convert", sword, "-o", "refused.bmp", "--source-pal-format", "png"});
    EXPECT_EQ(usageExit, 2);
    EXPECT_TRUE(usage.startsWith("palshift: --source-pal-format takes auto, rgb, bgr, jasc, act, gpl, riff or picture, not 'png'\n"))
        << qPrintable(usage);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("refused.bmp")));
}

// PCX pictures are read by the program's own reader; results are written as BMP, indexed PNG or
// PCX by the output's ending or --format, to files, folders and pipes, all with the same indices.
TEST_F(CommandLine, ReadsPcxAndWritesEveryFormat)
{
    const QString sword = picture("sword.png");
    const QByteArray source = test::readBytes(defaults.source);
    Palette sourcePal{};
    std::memcpy(sourcePal.data(), source.constData(), 768);
    test::MemorySink pcx;
    {
        PcxWriter writer(9, 5, sourcePal, pcx);
        for (int y = 0; y < 5; ++y) {
            std::vector<std::uint8_t> row;
            for (int x = 0; x < 9; ++x)
                row.push_back(std::uint8_t((y * 9 + x) * 7 % 256));  // as picture() draws
            writer.writeRow(row);
        }
        writer.finish();
    }
    test::writeBytes(dir.filePath("sword.pcx"), pcx.bytes);
    ASSERT_EQ(palshift({"convert", sword, "-o", "sword.bmp"}).first, 0);
    const auto [pcxExit, pcxErrors] = palshift({"convert", "sword.pcx", "-o", "from-pcx.bmp"});
    EXPECT_TRUE(pcxExit == 0 && pcxErrors.isEmpty()) << qPrintable(pcxErrors);
    const QByteArray bmp = test::readBytes(dir.filePath("sword.bmp"));
    EXPECT_EQ(test::readBytes(dir.filePath("from-pcx.bmp")), bmp);

    QDir().mkpath(dir.filePath("out"));
    EXPECT_EQ(palshift({"convert", sword, "-o", "result.png"}).first, 0);
    EXPECT_EQ(palshift({"convert", sword, "-o", "SWORD.PCX"}).first, 0);
    EXPECT_EQ(palshift({"convert", sword, "-o", "forced.bmp", "--format", "pcx"}).first, 0);
    EXPECT_EQ(palshift({"convert", "sword.pcx", "--output-dir", "out", "--format", "png"}).first, 0);
    EXPECT_EQ(palshift({"convert", sword, "-o", "-", "--format", "png"},
                       [&](QProcess& process) { process.setStandardOutputFile(dir.filePath("piped.png")); }).first, 0);
    EXPECT_EQ(palshift({"convert", sword, "-o", "other.tga"}).first, 0);
    EXPECT_EQ(filesIn("out"), "sword.png");
    EXPECT_EQ(test::readBytes(dir.filePath("other.tga")), bmp);

    const QImage reference(dir.filePath("sword.bmp"));
    ASSERT_EQ(reference.format(), QImage::Format_Indexed8);
    const QImage png(dir.filePath("result.png"), "PNG");
    EXPECT_TRUE(png.format() == QImage::Format_Indexed8 && indicesOf(png) == indicesOf(reference));
    EXPECT_EQ(png.colorTable(), reference.colorTable());
    EXPECT_EQ(test::readBytes(dir.filePath("piped.png")), test::readBytes(dir.filePath("result.png")));
    EXPECT_EQ(test::readBytes(dir.filePath("out/sword.png")), test::readBytes(dir.filePath("result.png")));
    const QByteArray pcxResult = test::readBytes(dir.filePath("SWORD.PCX"));
    EXPECT_EQ(test::readBytes(dir.filePath("forced.bmp")), pcxResult);
    const QImage readBack = readPcx(pcxResult, "SWORD.PCX");
    EXPECT_TRUE(indicesOf(readBack) == indicesOf(reference) && readBack.colorTable() == reference.colorTable());

    const auto [usageExit, usage] = palshift({"convert", sword, "-o", "x.bmp", "--format", "gif"});
    EXPECT_TRUE(usageExit == 2 && usage.startsWith("palshift: --format takes bmp, png or pcx, not 'gif'\n")) << qPrintable(usage);
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
    const QImage marked(dir.filePath("out.png"));
    for (int entry : {0, 4, 5, 6, 255})
        EXPECT_EQ(qAlpha(marked.color(entry)), entry == 5 ? 0 : 255) << entry;
    // (1, 2, 3) is 2 from grey 2; (4, 6, 9) is 5 from grey 6, 6 from grey 5 and 7.
    EXPECT_EQ(indices({"--unmatched", "nearest"}), (QList<int>{9, 5, 7, 2, 200, 2, 9, 6}));
    EXPECT_EQ(indices({"--unmatched", "nearest", "--transparent", "5"}), (QList<int>{5, 4, 7, 2, 200, 2, 5, 6}));
    const auto [zeroExit, zeroWarning] = palshift(QStringList{"convert", "sprite.png", "-o", "zero.bmp"} + grey);
    EXPECT_EQ(zeroWarning, "palshift: warning: sprite.png: 3 of 8 pixels match no colour of the Diablo 1 palette and "
                           "were converted as entry 0\n");

    test::writeBytes(dir.filePath("kept.bmp"), "earlier");
    for (const QString& output : QStringList{"kept.bmp", "-"}) {
        const auto [failExit, failure] = palshift(QStringList{"convert", "sprite.png", "-o", output, "--unmatched", "fail"} + grey,
                                                  [&](QProcess& process) { process.setStandardOutputFile(dir.filePath("piped")); });
        EXPECT_EQ(failExit, 1);
        EXPECT_EQ(failure, "palshift: sprite.png: 3 pixels match no colour of the source palette; the first is at (3, 0): #010203\n");
    }
    EXPECT_EQ(test::readBytes(dir.filePath("kept.bmp")), "earlier");
    EXPECT_EQ(test::readBytes(dir.filePath("piped")), "");

    // A PNG colour key keeps its colour, and its pixels count as transparent with the option.
    const std::pair<int, std::vector<std::uint8_t>> keyed[] = {{SPNG_COLOR_TYPE_TRUECOLOR, {9, 9, 9, 7, 7, 7}},
                                                               {SPNG_COLOR_TYPE_GRAYSCALE, {9, 7}}};
    for (const auto& [type, pixels] : keyed) {
        test::writeBytes(dir.filePath("keyed.png"), test::pngFile(2, 1, type, pixels, SPNG_FILTER_CHOICE_NONE, {}, {9, 9, 9}));
        for (const auto& [options, expected] : {std::pair{QStringList{}, QList<int>{9, 7}}, {QStringList{"--transparent", "5"}, QList<int>{5, 7}}}) {
            EXPECT_EQ(palshift(QStringList{"convert", "keyed.png", "-o", "keyed-result.png"} + grey + options).first, 0);
            EXPECT_EQ(indicesOf(QImage(dir.filePath("keyed-result.png"))), expected) << type << qPrintable(options.join(' '));
        }
    }

    for (const QString& bad : QStringList{"256", "-1", "x"})
        EXPECT_EQ(palshift({"convert", "sprite.png", "-o", "x.png", "--transparent", bad}).first, 2) << qPrintable(bad);
    EXPECT_EQ(palshift({"convert", "sprite.png", "-o", "x.png", "--unmatched", "drop"}).first, 2);
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
    EXPECT_EQ(lines[0], "source,source_rgb,target,target_rgb,distance");
    EXPECT_EQ(lines[1 + 5], "5,#050505,4,#040404,3");
    EXPECT_EQ(lines[1 + 255], "255,#FFFFFF,255,#FFFFFF,0");

    const QString sword = picture("sword.png");
    const auto [datExit, datErrors] = palshift(QStringList{"convert", sword, "-o", "s.bmp", "--map-out", "colours.DAT"} + grey);
    EXPECT_EQ(datExit, 0) << qPrintable(datErrors);
    QByteArray identity;
    for (int i = 0; i < 256; ++i)
        identity.append(char(i));
    EXPECT_EQ(test::readBytes(dir.filePath("colours.DAT")), identity);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("s.bmp")));

    const std::pair<QStringList, QString> usage[] = {
        {{"map", "-o", "grey.pal", "--source-pal", "grey.pal"}, "grey.pal would be written over the palette grey.pal, which this run reads"},
        {{"map", sword, "-o", "m.csv"}, "map converts no picture; it takes no " + sword},
        {{"map"}, "say where to write the mapping table: -o FILE"},
        {{"convert", sword, "-o", "a.bmp", "--map-out", sword}, sword + " would be written over the picture " + sword + ", which this run reads"},
    };
    for (const auto& [arguments, message] : usage) {
        const auto [exitCode, errors] = palshift(arguments);
        EXPECT_EQ(exitCode, 2) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(errors.startsWith("palshift: " + message + "\n")) << qPrintable(errors);
    }
    EXPECT_EQ(test::readBytes(dir.filePath("grey.pal")), greyRamp());
    EXPECT_EQ(filesIn("."), "colours.DAT grey.pal map.csv s.bmp sword.png");
}

}  // namespace palshift
