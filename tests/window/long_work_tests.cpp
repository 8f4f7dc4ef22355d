#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>

#include <utility>

namespace palshift::test {
namespace {

// Esc pressed as each step starts on the worker thread: while it runs, the commands wait, the cursor
// is busy and a progress bar shows; once it stops, nothing has changed and everything is back.
class CancelledStep : public WindowTest {
protected:
    CancelledStep()
    {
        QObject::connect(&window->runner(), &WorkRunner::started, window.get(), [this] {
            busyMeanwhile = QApplication::overrideCursor() && window->SB1->progressShown() && !window->Command1->isEnabled()
                            && !window->Command4->isEnabled() && !window->mbuConvert->isEnabled() && !window->mnuFileOpen->isEnabled();
            if (const QString file = std::exchange(dropped, {}); !file.isEmpty()) {  // refused, not opened
                QMimeData data;
                data.setUrls({QUrl::fromLocalFile(file)});
                QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(window.get(), &enter);
                droppedAccepted = enter.isAccepted() || window->loadFile(file);
            }
            if (cancel)
                QTest::keyClick(window.get(), Qt::Key_Escape);
        });
    }
    void expectIdle() const
    {
        EXPECT_FALSE(QApplication::overrideCursor());
        EXPECT_FALSE(window->SB1->progressShown());
        EXPECT_TRUE(window->Command1->isEnabled() && window->Command4->isEnabled() && window->mbuConvert->isEnabled());
        EXPECT_EQ(window->SB1->text(), "Ready...");
    }

    bool busyMeanwhile = false;
    bool cancel = false;
    QString dropped;
    bool droppedAccepted = false;
};

TEST_F(CancelledStep, ChangesNothing)
{
    open(writePicture("picture.png", testPicture()));
    window->Command1_Click();
    cancel = true;
    const QList<QVariant> identified = snapshot();
    const Palette sourcePal = window->conversion().SourcePal;

    writeFile("diablo.pal", QByteArray(768, '\x7f'));  // a cancelled "Load Pals" keeps the palette it had
    EXPECT_FALSE(window->Command1_Click());
    EXPECT_EQ(window->conversion().SourcePal, sourcePal);
    EXPECT_EQ(snapshot(), identified);
    EXPECT_TRUE(busyMeanwhile);
    expectIdle();

    EXPECT_FALSE(window->Command2_Click());
    EXPECT_EQ(snapshot(), identified);
    window->mbuConvert->trigger();
    EXPECT_EQ(snapshot(), identified);

    cancel = false;
    dropped = writePicture("dropped.png", picture(1, {qRgb(0, 0, 255)}));
    EXPECT_TRUE(window->Command2_Click());  // a picture dropped meanwhile is not opened
    EXPECT_FALSE(droppedAccepted);
    cancel = true;
    save(path("out"));
    EXPECT_FALSE(QFileInfo::exists(path("out.bmp")));
    EXPECT_FALSE(window->SB1->currentMessage().startsWith("Saved")) << window->SB1->currentMessage().toStdString();
    EXPECT_TRUE(messages->failures.isEmpty()) << messages->failures.join('\n').toStdString();
    expectIdle();
}

TEST_F(CancelledStep, ClosingTheWindowStopsTheStepFirst)
{
    QObject::disconnect(&window->runner(), &WorkRunner::started, window.get(), nullptr);
    QObject::connect(&window->runner(), &WorkRunner::started, window.get(), [this] { window->close(); });
    EXPECT_FALSE(window->Command1_Click());
    EXPECT_TRUE(window->isVisible());  // until the step has stopped
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 60'000);  // a bound that only a hang reaches, not a load
}

}  // namespace
}  // namespace palshift::test
