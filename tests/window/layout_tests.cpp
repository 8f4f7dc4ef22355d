#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

namespace palshift::test {
namespace {

class WindowLayout : public WindowTest {
protected:
    void openBlue(int width, int height) { open(writePicture("blue.png", picture(width, std::vector<QRgb>(width * height, qRgb(0, 0, 255))))); }
    bool inView(const QWidget* control) const
    {
        QCoreApplication::processEvents();  // the window is laid out by the event loop
        return scrollArea->viewport()->rect().contains(QRect(control->mapTo(scrollArea->viewport(), QPoint(0, 0)), control->size()));
    }

    QScrollArea* const scrollArea = window->findChild<QScrollArea*>();
};

TEST_F(WindowLayout, Picture2AndTheButtonsFollowThePictureAndAllShow)
{
    struct Placement { QSize picture; QRect picture2; int firstRow, secondRow; };  // no picture: the start-up one
    for (const Placement& expected : {Placement{{}, {29, 0, 28, 84}, 84, 101}, Placement{{1, 1}, {2, 0, 1, 1}, 1, 18},
                                      Placement{{100, 50}, {101, 0, 100, 50}, 50, 67}}) {
        if (expected.picture.isValid())
            openBlue(expected.picture.width(), expected.picture.height());
        SCOPED_TRACE(expected.picture2.width());
        EXPECT_EQ(window->Picture2->geometry(), expected.picture2);
        for (const QPushButton* button : {window->Command1, window->Command2, window->Command3})
            EXPECT_EQ(button->y(), expected.firstRow);
        EXPECT_EQ(window->Command4->y(), expected.secondRow);
        EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>(expected.picture2.width() * expected.picture2.height(), 0));
        for (const QWidget* control : std::initializer_list<const QWidget*>{
                 window->Picture1, window->Picture2, window->Command1, window->Command2, window->Command3, window->Command4})
            EXPECT_TRUE(inView(control)) << control->objectName().toStdString() << control->property("text").toString().toStdString();
    }
}

// Scrolled down, the lower row of buttons comes into view; scrolled across, Picture2's right edge. A
// scroll bar across must not hide the buttons of a picture as wide as the screen but not as tall.
TEST_F(WindowLayout, PictureLargerThanTheScreenScrolls)
{
    const QRect available = window->screen()->availableGeometry();
    for (const int height : {100, available.height() + 10}) {
        SCOPED_TRACE(height);
        openBlue(available.width(), height);
        EXPECT_EQ(window->frameGeometry().size().boundedTo(available.size()), window->frameGeometry().size());
        EXPECT_EQ(inView(window->Command4), height == 100);
        scrollArea->verticalScrollBar()->setValue(scrollArea->verticalScrollBar()->maximum());
        EXPECT_TRUE(inView(window->Command4));
        scrollArea->horizontalScrollBar()->setValue(scrollArea->horizontalScrollBar()->maximum());
        const QPoint rightEdge = window->Picture2->mapTo(scrollArea->viewport(), QPoint(window->Picture2->width() - 1, 0));
        EXPECT_TRUE(scrollArea->viewport()->rect().contains(rightEdge.x(), 0));
        scrollArea->horizontalScrollBar()->setValue(0);
    }
}

TEST_F(WindowLayout, TabGoesThroughPicturesAndButtonsInDesignOrder)
{
    window->Picture1->setFocus(Qt::TabFocusReason);
    for (QWidget* const next : std::initializer_list<QWidget*>{window->Command1, window->Picture2, window->Command2,
                                                               window->Command3, window->Command4}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString() << next->property("text").toString().toStdString();
    }
}

}  // namespace
}  // namespace palshift::test
