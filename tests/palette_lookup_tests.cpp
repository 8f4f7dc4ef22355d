#include "palettes/palette_lookup.h"
#include "test_support.h"

#include <QDir>
#include <QTemporaryDir>

namespace palshift {

// Each palette nobody named comes from the first of the program's folder, the user's data folder and
// the installed share/palshift that holds it; a named one is taken as it is, and one found nowhere
// is refused naming every place looked in.
TEST(PaletteLookup, TakesEachPaletteFromTheFirstFolderThatHoldsIt)
{
    QTemporaryDir dir;
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
    const QString program = dir.filePath("bin"), share = dir.filePath("share/palshift");
    const QStringList folders = paletteFolders(program);
    ASSERT_EQ(folders.size(), 3);
    EXPECT_TRUE(folders[1].startsWith(dir.filePath("data/"))) << qPrintable(folders[1]);
    for (const QString& folder : folders)
        QDir().mkpath(folder);
    test::writeBytes(share + "/diablo.pal", "");
    test::writeBytes(share + "/diablo2.pal", "");
    test::writeBytes(folders[1] + "/diablo2.pal", "");
    test::writeBytes(program + "/diablo2.pal", "");

    const PaletteFiles found = lookUpPaletteFiles(program);
    EXPECT_EQ(std::pair(found.source, found.target), std::pair(share + "/diablo.pal", program + "/diablo2.pal"));
    QFile::remove(program + "/diablo2.pal");
    EXPECT_EQ(lookUpPaletteFiles(program, {.source = "mine.pal", .target = {}}).target, folders[1] + "/diablo2.pal");
    EXPECT_EQ(lookUpPaletteFiles(program, {.source = "mine.pal", .target = {}}).source, "mine.pal");
    QFile::remove(share + "/diablo.pal");
    EXPECT_EQ(test::fileErrorOf([&] { lookUpPaletteFiles(program); }),
              QString("Cannot open diablo.pal: none of %1/diablo.pal, %2/diablo.pal or %3/diablo.pal exists")
                  .arg(program, folders[1], share).toStdString());
    qputenv("XDG_DATA_HOME", dataHome);
}

}  // namespace palshift
