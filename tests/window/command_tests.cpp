#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QFileInfo>

#include <sys/stat.h>

namespace palshift::test {
namespace {

const QStringList loadPals = {"Loading Diablo 1 Pal", "Loading Diablo 2 Pal", "Intializing Picture Pal", "Ready..."};
const QStringList newPalDrawPic = {"Creating Pal...", "Ready...", "Drawing Pic...", "Ready..."};

TEST_F(WindowTest, ButtonsShowTheirStepsPaintTheResultAndSaveIt)
{
    open(writePicture("picture.png", testPicture()));
    for (QPushButton* button : {window->Command1, window->Command2, window->Command3})
        QTest::mouseClick(button, Qt::LeftButton);
    const QRgb red = qRgb(250, 10, 10), black = qRgb(5, 5, 5);
    EXPECT_EQ(shown(window->Picture2), picture(3, {red, qRgb(10, 250, 10), qRgb(10, 10, 250), black, black, red}));

    dialog->saveAnswer = path("out");  // no name yet: "Save Picture" asks for one
    QTest::mouseClick(window->Command4, Qt::LeftButton);
    EXPECT_EQ(QImage(path("out.bmp")).pixelIndex(2, 0), 11);
    EXPECT_EQ(statusTexts, loadPals + newPalDrawPic + QStringList({"Saving...", "Ready..."}));
}

TEST_F(WindowTest, ConvertStopsAtTheFailingStepAndSaysWhy)
{
    writeFile("diablo.pal", "too short");
    window->mbuConvert->trigger();
    // "New Pal" and "Draw Pic" never start; the failing step's text shows until its message is closed.
    EXPECT_EQ(statusTexts, QStringList({"Loading Diablo 1 Pal", "Ready..."}));
    EXPECT_EQ(messages->statusMeanwhile, QStringList{"Loading Diablo 1 Pal"});
}

// A picture opened and converted, so that there are results to lose.
class WindowWithResult : public WindowTest {
protected:
    void SetUp() override
    {
        open(file);
        window->mbuConvert->trigger();
        ASSERT_EQ(values(window->conversion().TargetIndexMap), QList<int>({7, 9, 11, 4, 4, 7}));
    }

    const QString file = writePicture("picture.png", testPicture());
};

TEST_F(WindowWithResult, CancelOrAFailedOpenChangesNothingAndTheSameFileLoadsAgain)
{
    const QList<QVariant> before = snapshot();
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.png")).constData(), 0600), 0);  // refused, never waited on
    const FifoWatchdog watchdog(path("fifo.png"));
    for (const QString& chosen : {QString(), path("fifo.png")}) {
        open(chosen);
        EXPECT_EQ(snapshot(), before) << chosen.toStdString();
    }
    EXPECT_EQ(messages->failures, QStringList("Cannot open " + path("fifo.png") + ": it is a FIFO, not a file"));
    EXPECT_FALSE(watchdog.fired()) << "the FIFO was opened and waited on";
    EXPECT_EQ(dialog->openPreset, file);

    writePicture("picture.png", picture(3, std::vector<QRgb>(6, qRgb(0, 255, 0))));  // same size: only a reload shows it
    open(file);
    EXPECT_EQ(window->Picture1->image().convertToFormat(QImage::Format_RGB32).pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_TRUE(window->Picture2->image().isNull()) << "the earlier result is still painted";
    EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>(6, 0));
}

// A name takes ".bmp" unless it has an ending the program writes; every file that a save would
// replace is asked about first, and a folder is refused before any question.
TEST_F(WindowWithResult, SaveNamesAsksBeforeReplacingAndReportsFailure)
{
    const QString kept = writeFile("kept.bmp", "not to be lost");
    save(path("kept"));
    EXPECT_EQ(messages->replaceAsked, QStringList({kept}));
    EXPECT_EQ(QFileInfo(kept).size(), 14);
    messages->replaceAnswer = true;
    save(path("kept"));
    EXPECT_EQ(QImage(kept).size(), QSize(3, 2));
    EXPECT_EQ(window->SB1->currentMessage(), "Saved " + kept);

    ASSERT_TRUE(QDir(folder.path()).mkdir("shelf.bmp"));
    messages->replaceAsked.clear();
    save(path("shelf"));
    save(path("no such folder/out"));
    ASSERT_EQ(messages->failures.size(), 2);
    EXPECT_EQ(messages->failures[0], "Cannot write " + path("shelf.bmp") + ": it is a folder");
    EXPECT_TRUE(messages->failures[1].contains(path("no such folder/out.bmp"))) << messages->failures[1].toStdString();
    EXPECT_TRUE(messages->replaceAsked.isEmpty());
    open(QString());  // a failed save is no folder to start from
    EXPECT_EQ(dialog->openFolder, folder.path());
}

// "Save Picture" writes only a result converted from the picture shown, and asks for a new name
// rather than replace the file saved for another picture.
TEST_F(WindowTest, SaveWritesOnlyAResultOfThePictureShown)
{
    const QString nothingYet = "Nothing has been converted yet: press Load Pals and New Pal, or choose Convert, first.";
    QTest::mouseClick(window->Command4, Qt::LeftButton);  // at start-up
    save(path("early"));
    EXPECT_EQ(messages->failures, QStringList({nothingYet, nothingYet}));
    EXPECT_EQ(dialog->saveShown, 0);

    window->mbuConvert->trigger();
    save(path("trap"));
    QTest::mouseClick(window->Command4, Qt::LeftButton);  // the same picture: no question
    EXPECT_EQ(dialog->saveShown, 1);

    const QString other = writePicture("other.png", testPicture());
    open(other);
    messages->failures.clear();
    QTest::mouseClick(window->Command4, Qt::LeftButton);
    window->Command2_Click();  // "New Pal" without "Load Pals" converts nothing of this picture
    QTest::mouseClick(window->Command4, Qt::LeftButton);
    EXPECT_EQ(messages->failures, QStringList({nothingYet, nothingYet}));

    EXPECT_EQ(QDir(folder.path()).entryList({"*.bmp"}), QStringList{"trap.bmp"});
}

// As designed, New Pal and Draw Pic go on without Load Pals; the note says it has not run.
TEST_F(WindowTest, NewPalOrDrawPicBeforeLoadPalsSaySo)
{
    open(writePicture("picture.png", testPicture()));
    for (QPushButton* button : {window->Command2, window->Command3}) {
        window->SB1->setNote({});
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(window->SB1->note(), "Load Pals has not run: every pixel is taken as entry 0") << button->text().toStdString();
    }
    for (QPushButton* button : {window->Command1, window->Command3})  // Draw Pic without New Pal: no word
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(window->SB1->note(), "1 of 6 pixels match no Diablo 1 colour");
}

// The keyboard reaches the buttons and the commands: Tab goes from button to button, past the
// pictures, and the desktop's keys open, save and quit.
TEST_F(WindowTest, TheKeyboardReachesTheCommands)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->Command1->setFocus();
    QList<QWidget*> tabbed;
    for (int key = 0; key < 4; ++key) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        tabbed << QApplication::focusWidget();
    }
    EXPECT_EQ(tabbed, QList<QWidget*>({window->Command2, window->Command3, window->Command4, window->Command1}));

    dialog->openAnswer = writePicture("picture.png", testPicture());
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(window->openFileName(), dialog->openAnswer);
    window->mbuConvert->trigger();
    dialog->saveAnswer = path("keyed");
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFileInfo::exists(path("keyed.bmp")));
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

// A dropped picture opens, taken as a copy (a link where that is all that is offered), never as a
// move; a folder, which cannot be opened, is refused.
TEST_F(WindowTest, ADroppedPictureOpensAsACopy)
{
    ASSERT_TRUE(QDir(folder.path()).mkdir("folder.png"));
    const QString file = writePicture("dropped.png", testPicture());
    struct Drag { QString file; Qt::DropActions offered; std::optional<Qt::DropAction> taken; };
    for (const Drag& drag : {Drag{path("folder.png"), Qt::CopyAction, {}},
                             Drag{file, Qt::MoveAction, {}}, Drag{file, Qt::MoveAction | Qt::LinkAction, Qt::LinkAction},
                             Drag{file, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction}}) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(drag.file)});
        QDragEnterEvent enter(QPoint(5, 5), drag.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        EXPECT_EQ(enter.isAccepted() ? std::optional(enter.dropAction()) : std::nullopt, drag.taken) << drag.file.toStdString();
        QDropEvent drop(QPointF(5, 5), drag.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &drop);
        EXPECT_EQ(drop.isAccepted() ? std::optional(drop.dropAction()) : std::nullopt, drag.taken) << drag.file.toStdString();
        EXPECT_EQ(window->openFileName(), drag.taken ? file : QString());
    }
    EXPECT_TRUE(messages->failures.isEmpty()) << messages->failures.join('\n').toStdString();
}

}  // namespace
}  // namespace palshift::test
