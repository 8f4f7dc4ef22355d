#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTimer>

namespace palshift::test {
namespace {

// What the real dialog shows, read while it is open, which then closes as cancelled.
QStringList filtersShown;
QString filterSelected;

void inspectTheDialog()
{
    QTimer::singleShot(0, [] {
        auto* const dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        filtersShown = dialog->nameFilters();
        filterSelected = dialog->selectedNameFilter();
        dialog->reject();
    });
}

TEST(FileDialog, OpenSelectsEveryPictureItReadsAndSaveOffersWhatItWrites)
{
    QWidget parent;
    QtFileDialog dialogs(&parent);
    inspectTheDialog();
    EXPECT_EQ(dialogs.showOpen(QString(), QString()), std::nullopt);
    EXPECT_EQ(filtersShown.mid(0, 2), QStringList({"Bitmaps(*.bmp)", "All Images (*.jpg *.bmp *.gif *.tga *.ico *.cur *.wma)"}));
    EXPECT_EQ(filterSelected, filtersShown.value(2));
    EXPECT_TRUE(filterSelected.contains("*.png") && filterSelected.contains("*.gif") && filterSelected.contains("*.pcx"))
        << filterSelected.toStdString();
    EXPECT_EQ(filtersShown.last(), "All files (*)");

    inspectTheDialog();
    EXPECT_EQ(dialogs.showSave(QString()), std::nullopt);
    EXPECT_EQ(filtersShown, QStringList({"Bitmap (*.bmp)", "PNG (*.png)", "PCX (*.pcx)", "DC6 sprite (*.dc6)"}));
}

// Answers the real dialog with name under the type filter once it is open.
bool confirmsOverwrite = true;
void answerTheDialog(const QString& filter, const QString& name)
{
    QTimer::singleShot(0, [filter, name] {
        auto* const dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectNameFilter(filter);
        dialog->selectFile(name);
        static_cast<QDialog*>(dialog)->accept();  // as its Save button does
    });
}

// A name without an ending takes the chosen type's; a mapping's ".csv" or ".dat" is kept in any
// case. The window, not the dialog, asks before a file is replaced.
TEST(FileDialog, SaveDialogsGiveANameTheChosenTypesEnding)
{
    QWidget parent;
    QtFileDialog dialogs(&parent);
    const QTemporaryDir folder;
    struct Answer { QString filter, typed, named; bool mapping; };
    for (const Answer& answer : {Answer{"PNG (*.png)", "sprite", "sprite.png", false}, Answer{"Colour map (*.dat)", "map", "map.dat", true},
                                 Answer{"CSV (*.csv)", "map", "map.csv", true}, Answer{"Colour map (*.dat)", "map.CSV", "map.CSV", true}}) {
        answerTheDialog(answer.filter, answer.typed);
        confirmsOverwrite = true;
        EXPECT_EQ(answer.mapping ? dialogs.showExportMapping(folder.path()) : dialogs.showSave(folder.path()),
                  folder.filePath(answer.named));
        EXPECT_FALSE(confirmsOverwrite) << answer.filter.toStdString();
    }
}

// The folder of the last picture opened, or file saved, is stored for the next run's dialogs.
TEST_F(WindowTest, TheLastFolderIsRememberedAcrossRuns)
{
    ASSERT_TRUE(QDir(folder.path()).mkpath("pictures/results"));
    open(writePicture("pictures/a.png", testPicture()));
    EXPECT_EQ(Settings().lastFolder(), path("pictures"));
    window->mbuConvert->trigger();
    save(path("pictures/results/a"));
    EXPECT_TRUE(QFileInfo::exists(path("pictures/results/a.bmp")));
    EXPECT_EQ(Settings().lastFolder(), path("pictures/results"));
}

}  // namespace
}  // namespace palshift::test
