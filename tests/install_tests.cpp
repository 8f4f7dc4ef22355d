#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>

// What `cmake --install` and the Debian package give: the files and where they go, the desktop entry,
// the man page and the completion as their own tools read them, and the palette look-up of the
// installed program.
namespace palshift {

namespace {

using test::Outcome;

Outcome run(const QString& program, const QStringList& arguments, const QString& folder = {}, const QStringList& environment = {})
{
    return test::runProgram(program, arguments, {.folder = folder, .environment = environment, .timeoutMs = 600000});
}

// Every file under folder, relative to it, sorted.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// The project installed into a temporary prefix.
class Install : public testing::Test {
protected:
    void SetUp() override
    {
        const Outcome install = run(PALSHIFT_CMAKE, {"--install", PALSHIFT_BUILD_DIR, "--prefix", prefix.path()});
        ASSERT_EQ(install.exitCode, 0) << qPrintable(install.out + install.err);
    }
    QString installed(const QString& file) const { return prefix.filePath(file); }

    QTemporaryDir prefix;
    const QString palshift = installed("bin/palshift");
};

}  // namespace

TEST_F(Install, PutsEachFileInItsPlace)
{
    QStringList expected = {"bin/palshift", PALSHIFT_MODULE_DIR "/" PALSHIFT_COMMAND_LINE_MODULE,
                            PALSHIFT_MODULE_DIR "/" PALSHIFT_QT_DECODING_MODULE,
                            PALSHIFT_MODULE_DIR "/" PALSHIFT_WINDOW_MODULE, "share/applications/palshift.desktop",
                            "share/bash-completion/completions/palshift",
                            "share/icons/hicolor/scalable/apps/palshift.svg", "share/man/man1/palshift.1.gz"};
    for (const int size : {16, 32, 48, 64, 128, 256})
        expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/palshift.png").arg(size);
    EXPECT_EQ(QImage(installed("share/icons/hicolor/48x48/apps/palshift.png")).size(), QSize(48, 48));
    // The stand-in palettes, each as it is in data/; more may come.
    const QStringList palettes = QDir(installed("share/palshift")).entryList(QDir::Files);
    EXPECT_TRUE(palettes.contains("diablo.pal") && palettes.contains("diablo2.pal")) << qPrintable(palettes.join(' '));
    for (const QString& palette : palettes) {
        expected << "share/palshift/" + palette;
        EXPECT_EQ(test::readBytes(installed("share/palshift/" + palette)), test::readBytes(PALSHIFT_SOURCE_DIR "/data/" + palette)) << qPrintable(palette);
    }
    expected.sort();
    EXPECT_EQ(filesUnder(prefix.path()), expected);

    // Desktops read the entry: it validates, starts the installed program with one file, shows the
    // installed icon and offers to open the pictures the program reads.
    const QString entry = installed("share/applications/palshift.desktop");
    const Outcome validate = run("desktop-file-validate", {entry});
    EXPECT_TRUE(validate.exitCode == 0 && validate.out.isEmpty() && validate.err.isEmpty()) << qPrintable(validate.out + validate.err);

    QHash<QString, QString> keys;
    for (const QString& line : QString::fromUtf8(test::readBytes(entry)).split('\n'))
        if (line.contains('='))
            keys.insert(line.section('=', 0, 0), line.section('=', 1));
    EXPECT_EQ(keys["Exec"], "palshift %f");
    EXPECT_TRUE(QFileInfo::exists(installed("share/icons/hicolor/256x256/apps/" + keys["Icon"] + ".png")));
    EXPECT_TRUE(keys["MimeType"].split(';').contains("image/png")) << qPrintable(keys["MimeType"]);
}

// The installed program looks for the palettes nobody named in the installed share/palshift and in
// the user's data folder of palshift (the order is lookUpPaletteFiles' own test).
TEST_F(Install, ProgramLooksForPalettesInTheUsersFolderAndInShare)
{
    QTemporaryDir work;
    const QString output = work.filePath("x.bmp"), user = work.filePath("data/palshift/diablo2.pal");
    const auto convert = [&] {
        const Outcome converted = run(palshift, {"convert", ":/startup.bmp", "-o", output}, work.path(),
                                      {"XDG_DATA_HOME=" + work.filePath("data")});
        EXPECT_EQ(converted.exitCode, 0) << qPrintable(converted.err);
        return test::readBytes(output).mid(54, 8);
    };
    // Nothing beside the program, nothing in the user's folder: the palettes of share/palshift.
    EXPECT_NE(convert(), QByteArray::fromHex("07070700 07070700"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(user).path()));
    test::writeBytes(user, QByteArray(768, '\7'));
    EXPECT_EQ(convert(), QByteArray::fromHex("07070700 07070700"));  // the BMP's colour table: blue, green, red, 0
}

// The package installs under /usr, so that the program finds /usr/share/palshift, and depends on the
// Debian packages of the libraries it links and of the Qt image plugins it loads.
TEST(Package, DebDependsOnTheDebianPackagesItUses)
{
    QTemporaryDir folder;
    const Outcome cpack = run(PALSHIFT_CPACK, {"--config", PALSHIFT_BUILD_DIR "/CPackConfig.cmake", "-G", "DEB", "-B", folder.path()});
    ASSERT_EQ(cpack.exitCode, 0) << qPrintable(cpack.out + cpack.err);
    const QStringList packages = QDir(folder.path()).entryList({"palshift_*.deb"}, QDir::Files);
    ASSERT_EQ(packages.size(), 1) << qPrintable(QDir(folder.path()).entryList().join(' '));
    const QString deb = folder.filePath(packages.front());

    const Outcome fields = run("dpkg-deb", {"--field", deb, "Package", "Depends"});
    QStringList depends;
    for (const QString& dependency : fields.out.section("Depends: ", 1).split(',', Qt::SkipEmptyParts))
        depends << dependency.trimmed().section(' ', 0, 0);
    // Debian may add a suffix to a library's package name (libqt6core6t64) when its ABI changes.
    for (const char* expected : {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "qt6-image-formats-plugins"})
        EXPECT_TRUE(std::ranges::any_of(depends, [&](const QString& name) { return name.startsWith(expected); }))
            << expected << " is not in " << qPrintable(depends.join(", "));

    const QString contents = run("dpkg-deb", {"--contents", deb}).out;
    for (const char* file : {"./usr/bin/palshift", "./usr/" PALSHIFT_MODULE_DIR "/" PALSHIFT_COMMAND_LINE_MODULE,
                             "./usr/" PALSHIFT_MODULE_DIR "/" PALSHIFT_WINDOW_MODULE, "./usr/share/palshift/diablo2.pal"})
        EXPECT_TRUE(contents.contains(QString(file) + '\n')) << file << " is not in\n" << qPrintable(contents);
}

}  // namespace palshift
