#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QImageWriter>
#include <QSettings>
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

// The folder of the last picture opened or file saved is where the next run's dialogs start.
TEST_F(WindowTest, TheLastFolderIsRememberedAcrossRuns)
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, "palshift", "palshift").clear();  // the tests' own settings
    ASSERT_TRUE(QDir(folder.path()).mkpath("pictures/results"));
    const QString pictures = path("pictures"), results = path("pictures/results");
    {
        auto* const scripted = new ScriptedFileDialog;
        Form1 first(folder.path(), std::unique_ptr<FileDialog>(scripted), std::make_unique<RecordingMessageBoxes>());
        scripted->openAnswer = writePicture("pictures/a.png", testPicture());
        first.mnuFileOpen_Click();
    }
    auto* const scripted = new ScriptedFileDialog;
    Form1 second(folder.path(), std::unique_ptr<FileDialog>(scripted), std::make_unique<RecordingMessageBoxes>());
    second.runner().setBackgroundPixels(0);
    second.mnuFileOpen_Click();
    EXPECT_EQ(scripted->openFolder, pictures);
    second.mbuConvert_Click();
    scripted->saveAnswer = results + "/a";
    second.mnuFileSave_Click();
    EXPECT_TRUE(QFileInfo::exists(results + "/a.bmp"));
    EXPECT_EQ(Settings().lastFolder(), results);
}

}  // namespace
}  // namespace palshift::test
