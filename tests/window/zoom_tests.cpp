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

    // The colour of every screen pixel of box that shows picture pixel (x, y), corners first.
    static void expectSquare(const QImage& painted, int zoom, int x, int y, QRgb colour)
    {
        for (const int dy : {0, zoom - 1})
            for (const int dx : {0, zoom - 1})
                EXPECT_EQ(QColor(painted.pixel(x * zoom + dx, y * zoom + dy)), QColor(colour))
                    << "zoom " << zoom << " pixel " << x << "," << y << " +" << dx << "," << dy;
    }

    QScrollArea* const scrollArea = window->findChild<QScrollArea*>();
};

TEST(ZoomLevels, StepThroughTheMenusLevelsAndStopAtTheEnds)
{
    EXPECT_EQ(zoomedIn(1), 2);
    EXPECT_EQ(zoomedIn(4), 6);
    EXPECT_EQ(zoomedIn(12), 16);
    EXPECT_EQ(zoomedIn(16), 16);
    EXPECT_EQ(zoomedOut(16), 12);
    EXPECT_EQ(zoomedOut(6), 4);
    EXPECT_EQ(zoomedOut(2), 1);
    EXPECT_EQ(zoomedOut(1), 1);
    EXPECT_EQ(validZoom(12), 12);
    EXPECT_EQ(validZoom(5), 1);
    EXPECT_EQ(validZoom(0), 1);
    EXPECT_EQ(validZoom(32), 1);
}

// At each level both pictures are zoom times their size, Picture2 one screen pixel to the right of
// Picture1, the buttons below; every picture pixel is a square of its own colour, edge to edge.
TEST_F(Zoom, EveryLevelShowsBothPicturesInSquarePixels)
{
    open(writePicture("test.png", testPicture()));
    window->mbuConvert->trigger();
    const QImage source = testPicture();
    const QRgb converted[] = {qRgb(250, 10, 10), qRgb(10, 250, 10), qRgb(10, 10, 250),
                              qRgb(5, 5, 5),     qRgb(5, 5, 5),     qRgb(250, 10, 10)};
    EXPECT_EQ(window->zoom(), 1);
    for (const int zoom : zoomLevels) {
        window->mnuViewZoom[static_cast<qsizetype>(std::find(zoomLevels.begin(), zoomLevels.end(), zoom) - zoomLevels.begin())]->trigger();
        EXPECT_EQ(window->zoom(), zoom);
        EXPECT_EQ(window->Picture1->geometry(), QRect(0, 0, 3 * zoom, 2 * zoom));
        EXPECT_EQ(QRect(window->Picture2->mapTo(window->centralWidget(), QPoint()), window->Picture2->size()),
                  QRect(3 * zoom + 1, 0, 3 * zoom, 2 * zoom));
        EXPECT_EQ(window->Command1->y(), 2 * zoom);
        EXPECT_EQ(window->Picture2->pictureSize(), QSize(3, 2));
        const QImage left = shown(window->Picture1), right = shown(window->Picture2);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                expectSquare(left, zoom, x, y, source.pixel(x, y));
                expectSquare(right, zoom, x, y, converted[y * 3 + x]);
            }
        }
    }
    // The conversion still reads and writes the pictures at their own size.
    EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>({7, 9, 11, 4, 4, 7}));
}

// A part of a magnified box painted alone (as a scroll area asks) is what the whole would show
// there, and nothing is painted beyond the picture pixels that the part touches.
TEST_F(Zoom, APartPaintedAloneMatchesTheWholeAndGoesNoFurther)
{
    open(writePicture("test.png", testPicture()));
    window->setZoom(6);
    const QImage whole = shown(window->Picture1);
    for (const QRect part : {QRect(5, 5, 2, 2), QRect(7, 0, 5, 12), QRect(17, 11, 1, 1), QRect(0, 6, 18, 1)}) {
        QImage painted(whole.size(), QImage::Format_RGB32);
        painted.fill(Qt::magenta);
        window->Picture1->render(&painted, part.topLeft(), QRegion(part));  // the part lands where it belongs
        const QRect touched(QPoint(part.left() / 6 * 6, part.top() / 6 * 6), QPoint(part.right() / 6 * 6 + 5, part.bottom() / 6 * 6 + 5));
        for (int y = 0; y < whole.height(); ++y) {
            for (int x = 0; x < whole.width(); ++x) {
                if (part.contains(x, y) || !touched.contains(x, y)) {
                    ASSERT_EQ(painted.pixel(x, y), part.contains(x, y) ? whole.pixel(x, y) : qRgb(255, 0, 255))
                        << x << "," << y << " of " << part.x() << "," << part.y() << " " << part.width() << "x" << part.height();
                }
            }
        }
    }
}

TEST_F(Zoom, KeysAndTheWheelWithCtrlZoomInStepsAndBack)
{
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(window->zoom(), 2);
    QTest::keyClick(window.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(window->zoom(), 3);
    QTest::keyClick(window.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(window->zoom(), 2);
    QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(window->zoom(), 1);
    EXPECT_TRUE(window->mnuViewZoom.front()->isChecked());

    const auto turn = [this](int angle, Qt::KeyboardModifiers modifiers) {
        QWidget* const viewport = scrollArea->viewport();
        QWheelEvent wheel(QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, angle), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
    };
    turn(120, Qt::ControlModifier);
    EXPECT_EQ(window->zoom(), 2);
    turn(240, Qt::ControlModifier);
    EXPECT_EQ(window->zoom(), 4);
    turn(60, Qt::ControlModifier);  // half a notch: not yet
    EXPECT_EQ(window->zoom(), 4);
    turn(60, Qt::ControlModifier);
    EXPECT_EQ(window->zoom(), 6);
    turn(-120, Qt::ControlModifier);
    EXPECT_EQ(window->zoom(), 4);
    turn(120, Qt::NoModifier);  // scrolls, if anything
    EXPECT_EQ(window->zoom(), 4);
    EXPECT_TRUE(window->mnuViewZoom[3]->isChecked());
}

TEST_F(Zoom, TheZoomChosenIsTheNextWindowsAndAStrangeOneIsIgnored)
{
    window->setZoom(8);
    {
        Form1 next(folder.path());
        EXPECT_EQ(next.zoom(), 8);
        EXPECT_EQ(next.Picture1->size(), QSize(28 * 8, 84 * 8));
        EXPECT_TRUE(next.mnuViewZoom[5]->isChecked());
    }
    QSettings stored(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("palshift"), QStringLiteral("palshift"));
    for (const QVariant& strange : {QVariant(5), QVariant(0), QVariant(32), QVariant(QStringLiteral("big"))}) {
        stored.setValue(QStringLiteral("zoom"), strange);
        stored.sync();
        Form1 next(folder.path());
        EXPECT_EQ(next.zoom(), 1) << strange.toString().toStdString();
    }
}

// Magnified past the screen, the pictures scroll under the buttons, which stay in view.
TEST_F(Zoom, ALargeZoomScrollsThePicturesAndKeepsTheirMiddle)
{
    window->setZoom(16);
    QCoreApplication::processEvents();
    QScrollBar* const down = scrollArea->verticalScrollBar();
    EXPECT_GT(down->maximum(), 0);
    EXPECT_TRUE(window->rect().contains(QRect(window->Command4->mapTo(window.get(), QPoint()), window->Command4->size())));
    down->setValue(down->maximum() / 2);
    const double middle = (down->value() + down->pageStep() / 2.0) / (down->maximum() + down->pageStep());
    window->setZoom(12);
    EXPECT_NEAR((down->value() + down->pageStep() / 2.0) / (down->maximum() + down->pageStep()), middle, 0.01);

    // Scrolling either picture scrolls the other by as much.
    QScrollArea* const picture2Area = qobject_cast<QScrollArea*>(window->Picture2->parentWidget()->parentWidget()->parentWidget());
    ASSERT_TRUE(picture2Area && picture2Area != scrollArea);
    QScrollBar* const down2 = picture2Area->verticalScrollBar();
    EXPECT_EQ(down2->value(), down->value());
    down2->setValue(17);
    EXPECT_EQ(down->value(), 17);
    down->setValue(3);
    EXPECT_EQ(down2->value(), 3);
    EXPECT_EQ(window->Picture2->mapTo(picture2Area->viewport(), QPoint()), window->Picture1->mapTo(scrollArea->viewport(), QPoint()));
}

}  // namespace
}  // namespace palshift::test
