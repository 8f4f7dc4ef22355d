#include "convert/palette_lookup.h"
#include "platform/file_error.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>

namespace palshift {

// Beside the program, then the user's folder, then the installed share/palshift, each palette on its
// own; a broken file is taken where it is (its reader says what is wrong), a given file as given,
// even when the default is nowhere. (The message for a missing one: the window and install tests.)
TEST(PaletteLookup, TakesEachPaletteFromTheFirstFolderThatHoldsIt)
{
    QTemporaryDir root;
    const auto restore = qScopeGuard([dataHome = qgetenv("XDG_DATA_HOME"), name = QCoreApplication::applicationName()] {
        qputenv("XDG_DATA_HOME", dataHome);
        QCoreApplication::setApplicationName(name);
    });
    qputenv("XDG_DATA_HOME", root.filePath("data").toLocal8Bit());
    QCoreApplication::setApplicationName(QStringLiteral("palshift"));
    const QString bin = root.filePath("prefix/bin"), user = root.filePath("data/palshift"), share = root.filePath("prefix/share/palshift");
    EXPECT_EQ(paletteFolders(bin), QStringList({bin, user, share}));

    const QByteArray palette(768, '\x01');
    for (const QString& folder : {bin, user, share}) {
        QDir().mkpath(folder);
        test::writeBytes(folder + "/diablo.pal", palette);
    }
    test::writeBytes(share + "/diablo2.pal", palette);
    const auto lookUp = [&](const PaletteFiles& given = {}) {
        const PaletteFiles files = lookUpPaletteFiles(bin, given);
        return QStringList{files.source, files.target};
    };
    EXPECT_EQ(lookUp(), QStringList({bin + "/diablo.pal", share + "/diablo2.pal"}));
    test::writeBytes(user + "/diablo2.pal", palette);
    QFile::remove(bin + "/diablo.pal");
    EXPECT_EQ(lookUp(), QStringList({user + "/diablo.pal", user + "/diablo2.pal"}));
    QFile::remove(user + "/diablo.pal");
    test::writeBytes(bin + "/diablo2.pal", "");
    EXPECT_EQ(lookUp(), QStringList({share + "/diablo.pal", bin + "/diablo2.pal"}));
    EXPECT_EQ(lookUp({"", "theirs.pal"}), QStringList({share + "/diablo.pal", "theirs.pal"}));

    QFile::remove(share + "/diablo.pal");
    EXPECT_THROW(lookUp(), FileError);
    EXPECT_EQ(lookUp({"mine.pal", ""}), QStringList({"mine.pal", bin + "/diablo2.pal"}));
}

}  // namespace palshift
