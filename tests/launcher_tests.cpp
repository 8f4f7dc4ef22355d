#include "picture_files.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <dlfcn.h>

// palshift answers --version by itself and runs everything else in one of its modules: the command
// line's or the window's, beside it in a build folder, else in the installed module folder.
namespace palshift {

namespace {

using test::Outcome;

Outcome run(const QString& program, const QStringList& arguments, const QStringList& environment = {})
{
    return test::runProgram(program, arguments, {.environment = environment});
}

const QString builtFolder = QFileInfo(PALSHIFT_EXECUTABLE).path();
const QString commandLineModule = PALSHIFT_COMMAND_LINE_MODULE, windowModule = PALSHIFT_WINDOW_MODULE,
              qtDecodingModule = PALSHIFT_QT_DECODING_MODULE;

// A copy of the program in bin/ of a folder of its own, with no module beside it or installed; the
// folder's name is longer than the launcher's first guess at the length of its own.
class LoneProgram : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(prefix + "/bin"));
        ASSERT_TRUE(QFile::copy(PALSHIFT_EXECUTABLE, program));
    }
    QString installed(const QString& module) const { return QDir::cleanPath(prefix + "/bin/" PALSHIFT_INSTALLED_MODULES "/" + module); }
    QString beside(const QString& module) const { return prefix + "/bin/" + module; }

    QTemporaryDir folder;
    const QString prefix = folder.filePath(QString(150, 'p') + '/' + QString(150, 'q'));
    const QString program = prefix + "/bin/palshift";
};

}  // namespace

// The command line's module answers --version as the launcher does (LoneProgram below).
TEST(Launcher, AnswersVersionAsTheCommandLineDoes)
{
    const Outcome answer = run(PALSHIFT_EXECUTABLE, {"convert", "--version"});
    EXPECT_EQ(std::tuple(answer.exitCode, answer.out, answer.err), std::tuple(0, QString("palshift " PALSHIFT_VERSION "\n"), QString()));
}

// --version needs no module; everything else names the module it could not load, and runs nothing.
TEST_F(LoneProgram, NamesTheModuleItCannotLoad)
{
    for (const char* option : {"--version", "-v"}) {
        const Outcome version = run(program, {option});
        EXPECT_EQ(version.exitCode, 0) << option << ": " << qPrintable(version.err);
        EXPECT_EQ(version.out + version.err, "palshift " PALSHIFT_VERSION "\n") << option;
    }

    const QList<QStringList> commandLines = {{"convert"}, {"map"}, {"--help"}, {"a.png", "b.png"}};
    const QList<QStringList> windows = {{}, {"mapping.png"}};
    for (const QStringList& arguments : commandLines + windows) {
        const QString module = installed(commandLines.contains(arguments) ? commandLineModule : windowModule);
        const Outcome failed = run(program, arguments);
        EXPECT_EQ(failed.exitCode, 2) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(failed.err.startsWith("palshift: cannot load " + module + ": ")) << qPrintable(arguments.join(' ') + ": " + failed.err);
    }
}

// The installed modules run the command, unless a module is beside the program; one that lacks the
// entry point is named with the loader's reason.
TEST_F(LoneProgram, LoadsTheInstalledModuleUnlessOneIsBesideIt)
{
    ASSERT_TRUE(QDir().mkpath(installed("")));
    for (const QString& module : {commandLineModule, windowModule})
        ASSERT_TRUE(QFile::link(builtFolder + '/' + module, installed(module)));
    const QStringList palettes = {"--source-pal", builtFolder + "/diablo.pal", "--target-pal", builtFolder + "/diablo2.pal"};
    const auto convert = [&] { return run(program, QStringList{"convert", ":/startup.bmp", "-o", folder.filePath("x.bmp")} + palettes); };

    // Without the module of Qt GUI's decoding beside the command line's, a picture that needs it is
    // refused, naming the module.
    const Outcome undecoded = convert();
    EXPECT_EQ(undecoded.exitCode, 1);
    EXPECT_TRUE(undecoded.err.contains(": Cannot load " + installed(qtDecodingModule) + ": ")) << qPrintable(undecoded.err);
    ASSERT_TRUE(QFile::link(builtFolder + '/' + qtDecodingModule, installed(qtDecodingModule)));
    const Outcome converted = convert();
    EXPECT_EQ(converted.exitCode, 0) << qPrintable(converted.err);

    // A shared library that is not ours: Qt Core, which this test links.
    Dl_info qtCore{};
    ASSERT_TRUE(dladdr(reinterpret_cast<void*>(&qVersion), &qtCore) && qtCore.dli_fname);
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(qtCore.dli_fname), beside(commandLineModule)));
    const Outcome noEntry = run(program, {"--help"});
    EXPECT_EQ(noEntry.exitCode, 2);
    EXPECT_TRUE(noEntry.err.startsWith("palshift: cannot load " + beside(commandLineModule) + ": ")
                && noEntry.err.endsWith("undefined symbol: palshift_main\n"))
        << qPrintable(noEntry.err);
}

// libpng's errors reach the message that names the picture, with the decoding in a loaded module: a
// PNG whose header claims two rows of the one there is, decoded by Qt (which --transparent takes).
TEST(Launcher, RoutesLibpngErrorsToTheMessageNamingThePicture)
{
    QTemporaryDir folder;
    const QByteArray oneRow = test::chunkedPng(4, 2, 8, 0, QByteArray::fromHex("0000c8ff11"));
    const QString picture = folder.filePath("short.png");
    test::writeBytes(picture, oneRow);

    const Outcome failed = run(PALSHIFT_EXECUTABLE, {"convert", picture, "-o", folder.filePath("short.bmp"), "--transparent", "0"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err, "palshift: Cannot decode " + picture + ": Unable to read image data (libpng error: Not enough image data)\n")
        << qPrintable(failed.err);
}

// The window module starts the window: its screenshot hook converts, saves the window and quits.
TEST(Launcher, OpensTheWindow)
{
    QTemporaryDir folder;
    const QString shot = folder.filePath("window.png");
    const Outcome window = run(PALSHIFT_EXECUTABLE, {}, {"QT_QPA_PLATFORM=offscreen", "PALSHIFT_SCREENSHOT=" + shot});
    EXPECT_EQ(window.exitCode, 0) << qPrintable(window.err);
    EXPECT_GT(QImage(shot).width(), 300) << qPrintable(window.err);
}

}  // namespace palshift
