#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

namespace palshift::test {
namespace {

// The test picture: red, green, blue over black, (1, 2, 3) (in no palette), red.
class Inspector : public WindowTest {
protected:
    Inspector() { open(writePicture("test.png", testPicture())); }
    ~Inspector() override { window->setZoom(1); }

    // What the inspector says with the mouse at point of box.
    QString hover(PictureBox* box, QPoint point)
    {
        QMouseEvent move(QEvent::MouseMove, point, box->mapToGlobal(QPointF(point)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(box, &move);
        return window->pixelInspector->text();
    }
};

// Position and colour at once; the Diablo 1 entry once identified; the Diablo 2 entry, its colour
// and the distance once converted; over either picture, at any zoom.
TEST_F(Inspector, SaysWhatIsKnownOfThePixelUnderTheMouse)
{
    EXPECT_EQ(hover(window->Picture1, {0, 0}), "(0, 0) #FF0000");
    window->Command1->click();
    EXPECT_EQ(hover(window->Picture1, {0, 0}), "(0, 0) #FF0000 · Diablo 1: 1");
    window->Command2->click();
    EXPECT_EQ(hover(window->Picture1, {1, 1}), "(1, 1) #010203 · no match · Diablo 2: 4 #050505 · distance 9");
    // The window is wide enough for the longest text, however narrow its picture.
    const QString longest = QStringLiteral("(8888, 8888) #DDDDDD · Diablo 1: 888 · Diablo 2: 888 #DDDDDD · distance 888");
    QCoreApplication::processEvents();
    EXPECT_GE(window->pixelInspector->contentsRect().width(), window->pixelInspector->fontMetrics().horizontalAdvance(longest));
    EXPECT_TRUE(window->rect().contains(QRect(window->pixelInspector->mapTo(window.get(), QPoint()), window->pixelInspector->size())));
    EXPECT_LE(window->SB1->width(), window->width());

    window->setZoom(4);
    EXPECT_EQ(hover(window->Picture2, {11, 7}), "(2, 1) #FF0000 · Diablo 1: 1 · Diablo 2: 7 #FA0A0A · distance 25");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(window->Picture1, &leave);
    EXPECT_EQ(window->pixelInspector->text(), "");

    // A new picture's maps are not known until its own steps run.
    open(writePicture("other.png", testPicture().mirrored(true, false)));
    EXPECT_EQ(hover(window->Picture1, {0, 0}), "(0, 0) #0000FF");
}

// Unmatched pixels are marked in both pictures once the picture is identified, and only while
// the menu item is checked; the marks show over the picture, which shows around them.
TEST_F(Inspector, HighlightUnmatchedMarksThePixelsOfNoDiablo1Colour)
{
    window->mnuViewUnmatched->trigger();
    EXPECT_EQ(marks(), QList<int>({0, 0, 0, 0, 0, 0}));  // not known yet
    window->Command1->click();
    EXPECT_EQ(marks(), QList<int>({0, 0, 0, 0, 1, 0}));
    window->setZoom(2);
    settle();
    const QImage painted = shown(window->Picture1);
    EXPECT_NE(QColor(painted.pixel(3, 3)), QColor(qRgb(1, 2, 3)));
    EXPECT_EQ(QColor(painted.pixel(5, 3)), QColor(qRgb(255, 0, 0)));
    window->mnuViewUnmatched->trigger();
    EXPECT_EQ(marks(), QList<int>({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(QColor(shown(window->Picture1).pixel(3, 3)), QColor(qRgb(1, 2, 3)));

    // Esc while the marks are worked out stops them: none show, and the item says so.
    window->mnuViewUnmatched->trigger();
    ASSERT_TRUE(window->viewPass().isPending());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &escape);
    EXPECT_FALSE(window->mnuViewUnmatched->isChecked());
    EXPECT_EQ(marks(), QList<int>({0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace palshift::test
