#include "tests/window/window_fixture.h"

#include "app/zoom.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QWheelEvent>

namespace palshift::test {
namespace {

// Every test here leaves the window at 1x, so that the zoom it stores does not reach other tests.
class Zoom : public WindowTest {
protected:
    ~Zoom() override { window->setZoom(1); }

    QScrollArea* const scrollArea = window->findChild<QScrollArea*>();
};

TEST(ZoomLevels, StepThroughTheMenusLevelsAndStopAtTheEnds)
{
    EXPECT_EQ(std::vector({zoomedIn(1), zoomedIn(4), zoomedIn(16), zoomedOut(16), zoomedOut(2), zoomedOut(1)}),
              std::vector({2, 6, 16, 12, 1, 1}));
    EXPECT_EQ(std::vector({validZoom(12), validZoom(5), validZoom(0), validZoom(32)}), std::vector({12, 1, 1, 1}));
}

// Both pictures are zoom times their size, Picture2 one screen pixel to the right of Picture1, the
// buttons below; every picture pixel is a square of its own colour, edge to edge.
TEST_F(Zoom, BothPicturesShowInSquarePixels)
{
    open(writePicture("test.png", testPicture()));
    window->mbuConvert->trigger();
    const QImage converted = picture(3, {qRgb(250, 10, 10), qRgb(10, 250, 10), qRgb(10, 10, 250), qRgb(5, 5, 5), qRgb(5, 5, 5), qRgb(250, 10, 10)});
    const int zoom = 3;
    window->mnuViewZoom[2]->trigger();
    EXPECT_EQ(window->zoom(), zoom);
    EXPECT_EQ(QRect(window->Picture2->mapTo(window->centralWidget(), QPoint()), window->Picture2->size()), QRect(3 * zoom + 1, 0, 3 * zoom, 2 * zoom));
    EXPECT_EQ(window->Command1->y(), 2 * zoom);
    const QImage left = shown(window->Picture1), right = shown(window->Picture2);
    for (int k = 0; k < 24; ++k) {  // the corners of each square
        const int x = k % 3, y = k / 3 % 2, dx = k / 6 % 2 * (zoom - 1), dy = k / 12 * (zoom - 1);
        EXPECT_EQ(left.pixel(x * zoom + dx, y * zoom + dy), testPicture().pixel(x, y)) << x << "," << y;
        EXPECT_EQ(right.pixel(x * zoom + dx, y * zoom + dy), converted.pixel(x, y)) << x << "," << y;
    }
}

TEST_F(Zoom, KeysAndTheWheelWithCtrlZoomInStepsAndBack)
{
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QList<int> zooms;
    for (const Qt::Key key : {Qt::Key_Plus, Qt::Key_Equal, Qt::Key_Minus, Qt::Key_0}) {
        QTest::keyClick(window.get(), key, Qt::ControlModifier);
        zooms << window->zoom();
    }
    for (const auto& [angle, modifiers] : {std::pair{240, Qt::ControlModifier}, {60, Qt::ControlModifier},  // half a notch: not yet
                                           {60, Qt::ControlModifier}, {-120, Qt::ControlModifier}, {120, Qt::NoModifier}}) {
        QWidget* const viewport = scrollArea->viewport();
        QWheelEvent wheel(QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, angle), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        zooms << window->zoom();
    }
    EXPECT_EQ(zooms, QList<int>({2, 3, 2, 1, 3, 3, 4, 3, 3}));
    EXPECT_TRUE(window->mnuViewZoom[2]->isChecked());
}

TEST_F(Zoom, TheZoomChosenIsTheNextWindowsAndAStrangeOneIsIgnored)
{
    window->setZoom(8);
    EXPECT_EQ(Form1(folder.path()).zoom(), 8);
    QSettings stored(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("palshift"), QStringLiteral("palshift"));
    stored.setValue(QStringLiteral("zoom"), 5);
    stored.sync();
    EXPECT_EQ(Form1(folder.path()).zoom(), 1);
}

// Magnified past the screen, the pictures scroll together under the buttons, which stay in view.
TEST_F(Zoom, ALargeZoomScrollsThePicturesTogether)
{
    window->setZoom(16);
    QCoreApplication::processEvents();
    QScrollBar* const down = scrollArea->verticalScrollBar();
    EXPECT_GT(down->maximum(), 0);
    auto* const picture2Area = qobject_cast<QScrollArea*>(window->Picture2->parentWidget()->parentWidget()->parentWidget());
    ASSERT_TRUE(picture2Area && picture2Area != scrollArea);
    picture2Area->verticalScrollBar()->setValue(17);
    EXPECT_EQ(down->value(), 17);
    down->setValue(3);
    EXPECT_EQ(picture2Area->verticalScrollBar()->value(), 3);
}

}  // namespace
}  // namespace palshift::test
