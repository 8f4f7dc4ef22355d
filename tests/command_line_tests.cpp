#include "convert/palette.h"
#include "convert/palette_file.h"
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
TEST_F(CommandLine, RefusesAPictureLargerThanTheMemoryBudget)
{
    const QString small = picture("small.png");
    const QString large = largePicture("large.png", 600, 600);
    QDir().mkpath(dir.filePath("out"));
    const auto [exitCode, errors] = palshift({"convert", small, large, "--output-dir", "out", "--memory-limit", "2M"});
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(errors, "palshift: " + large + ": needs about 2.7 MiB of memory to convert, more than the budget of "
                      "2.0 MiB (--memory-limit sets it)\n");
    EXPECT_EQ(filesIn("out"), "small.bmp");
    EXPECT_EQ(palshift({"convert", small, large, "--output-dir", "out", "--memory-limit", "3M"}).first, 0);
    EXPECT_EQ(filesIn("out"), "large.bmp small.bmp");
}

}  // namespace palshift
