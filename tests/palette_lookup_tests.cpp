#include "convert/palette_lookup.h"
#include "platform/file_error.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace palshift {

namespace {

// An installed prefix and a user's data folder in a temporary folder, with XDG_DATA_HOME and the
// program's name set for as long as it lives.
class PaletteFolders {
public:
    PaletteFolders()
        : savedDataHome(qgetenv("XDG_DATA_HOME")), savedName(QCoreApplication::applicationName())
    {
        qputenv("XDG_DATA_HOME", root.filePath("data").toLocal8Bit());
        QCoreApplication::setApplicationName(QStringLiteral("palshift"));
        for (const QString& folder : {bin, user, share})
            QDir().mkpath(folder);
    }
    ~PaletteFolders()
    {
        qputenv("XDG_DATA_HOME", savedDataHome);
        QCoreApplication::setApplicationName(savedName);
    }

    QTemporaryDir root;
    const QString bin = root.filePath("prefix/bin"), user = root.filePath("data/palshift"),
                  share = root.filePath("prefix/share/palshift");

private:
    const QByteArray savedDataHome;
    const QString savedName;
};

}  // namespace

// Beside the program, then the user's folder, then the installed share/palshift, each palette on its
// own; a broken file is taken where it is (its reader says what is wrong), a given file as given.
TEST(PaletteLookup, TakesEachPaletteFromTheFirstFolderThatHoldsIt)
{
    PaletteFolders folders;
    EXPECT_EQ(paletteFolders(folders.bin), QStringList({folders.bin, folders.user, folders.share}));
    const QByteArray palette(768, '\x01');
    for (const QString& folder : {folders.bin, folders.user, folders.share})
        test::writeBytes(folder + "/diablo.pal", palette);
    test::writeBytes(folders.share + "/diablo2.pal", palette);
    const auto lookUp = [&](const PaletteFiles& given = {}) {
        const PaletteFiles files = lookUpPaletteFiles(folders.bin, given);
        return QStringList{files.source, files.target};
    };

    EXPECT_EQ(lookUp(), QStringList({folders.bin + "/diablo.pal", folders.share + "/diablo2.pal"}));
    test::writeBytes(folders.user + "/diablo2.pal", palette);
    QFile::remove(folders.bin + "/diablo.pal");
    EXPECT_EQ(lookUp(), QStringList({folders.user + "/diablo.pal", folders.user + "/diablo2.pal"}));
    QFile::remove(folders.user + "/diablo.pal");
    test::writeBytes(folders.bin + "/diablo2.pal", "");
    EXPECT_EQ(lookUp(), QStringList({folders.share + "/diablo.pal", folders.bin + "/diablo2.pal"}));
    EXPECT_EQ(lookUp({"mine.pal", ""}), QStringList({"mine.pal", folders.bin + "/diablo2.pal"}));
    EXPECT_EQ(lookUp({"", "theirs.pal"}), QStringList({folders.share + "/diablo.pal", "theirs.pal"}));
}

// The message names every place looked in, and a palette that is given is never looked for.
TEST(PaletteLookup, APaletteInNoFolderNamesEveryPlace)
{
    PaletteFolders folders;
    test::writeBytes(folders.user + "/diablo.pal", QByteArray(768, '\0'));
    try {
        lookUpPaletteFiles(folders.bin);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(QString(error.what()), "Cannot open diablo2.pal: none of " + folders.bin + "/diablo2.pal, " + folders.user
                                             + "/diablo2.pal or " + folders.share + "/diablo2.pal exists");
    }
    EXPECT_EQ(lookUpPaletteFiles(folders.bin, {"", "given.pal"}).target, "given.pal");
    QFile::remove(folders.user + "/diablo.pal");
    EXPECT_THROW(lookUpPaletteFiles(folders.bin, {"", "given.pal"}), FileError);
}

}  // namespace palshift
