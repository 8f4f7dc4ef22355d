#include "tests/window/window_fixture.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

namespace palshift::test {
namespace {

class WindowLayout : public WindowTest {
protected:
    QScrollArea* scrollArea() const { return window->findChild<QScrollArea*>(); }
    bool inView(const QWidget* control) const
    {
        const QRect place(control->mapTo(scrollArea()->viewport(), QPoint(0, 0)), control->size());
        return scrollArea()->viewport()->rect().contains(place);
    }

    // A fixed-size window; menu bar, pictures and buttons, status bar stacked without overlap.
    void expectStacked(bool allInView) const
    {
        QCoreApplication::processEvents();  // the window is laid out by the event loop
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        EXPECT_LE(window->menuBar()->geometry().bottom(), scrollArea()->geometry().top());
        EXPECT_LE(scrollArea()->geometry().bottom(), window->SB1->geometry().top());
        EXPECT_EQ(window->SB1->geometry().bottom(), window->rect().bottom());
        if (!allInView)
            return;
        for (const QWidget* control : std::initializer_list<const QWidget*>{
                 window->Picture1, window->Picture2, window->Command1, window->Command2, window->Command3, window->Command4})
            EXPECT_TRUE(inView(control)) << control->objectName().toStdString()
                                         << control->property("text").toString().toStdString() << " is cut off";
    }

    void expectZeroMaps(int width, int height) const
    {
        for (const IndexMap* map : {&window->conversion().SourceIndexMap, &window->conversion().TargetIndexMap}) {
            EXPECT_EQ(QSize(map->width(), map->height()), QSize(width, height));
            EXPECT_EQ(values(*map), QList<int>(width * height, 0));
        }
    }
};

TEST_F(WindowLayout, StartUpPictureGivesTheDesignedPlaces)
{
    EXPECT_EQ(window->Picture1->geometry(), QRect(0, 0, 28, 84));
    EXPECT_EQ(window->Picture2->geometry(), QRect(29, 0, 28, 84));
    EXPECT_EQ(window->Command1->geometry(), QRect(0, 84, 57, 17));
    EXPECT_EQ(window->Command2->geometry(), QRect(56, 84, 57, 17));
    EXPECT_EQ(window->Command3->geometry(), QRect(112, 84, 57, 17));
    EXPECT_EQ(window->Command4->geometry(), QRect(48, 101, 73, 17));
    expectZeroMaps(28, 84);
    expectStacked(true);
}

TEST_F(WindowLayout, OnePixelPictureStillShowsBothRowsOfButtons)
{
    open(writePicture("dot.png", testPicture().copy(0, 0, 1, 1)));
    EXPECT_EQ(window->Picture2->geometry(), QRect(2, 0, 1, 1));
    EXPECT_EQ(window->Command2->geometry(), QRect(56, 1, 57, 17));
    EXPECT_EQ(window->Command4->geometry(), QRect(48, 18, 73, 17));
    expectZeroMaps(1, 1);
    expectStacked(true);
}

TEST_F(WindowLayout, PictureLargerThanTheScreenScrolls)
{
    const QRect available = window->screen()->availableGeometry();
    QImage huge(available.width(), available.height() + 10, QImage::Format_RGB32);
    huge.fill(qRgb(0, 0, 255));
    open(writePicture("huge.png", huge));
    EXPECT_LE(window->frameGeometry().width(), available.width());
    EXPECT_LE(window->frameGeometry().height(), available.height());
    expectStacked(false);

    // Scrolled down, the lower row of buttons comes into view; scrolled across, Picture2's right edge.
    EXPECT_FALSE(inView(window->Command4));
    scrollArea()->verticalScrollBar()->setValue(scrollArea()->verticalScrollBar()->maximum());
    EXPECT_TRUE(inView(window->Command4));
    scrollArea()->horizontalScrollBar()->setValue(scrollArea()->horizontalScrollBar()->maximum());
    const QPoint rightEdge = window->Picture2->mapTo(scrollArea()->viewport(), QPoint(window->Picture2->width() - 1, 0));
    EXPECT_TRUE(scrollArea()->viewport()->rect().contains(rightEdge.x(), 0));

    open(writePicture("small.png", testPicture()));  // and back to a window that needs no scrolling
    expectStacked(true);
}

TEST_F(WindowLayout, PictureWiderThanTheScreenScrollsOnlyAcross)
{
    QImage wide(window->screen()->availableGeometry().width(), 100, QImage::Format_RGB32);
    wide.fill(qRgb(0, 0, 255));
    open(writePicture("wide.png", wide));
    expectStacked(false);
    EXPECT_GT(scrollArea()->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(scrollArea()->verticalScrollBar()->maximum(), 0) << "the scroll bar across hides the buttons";
}

TEST_F(WindowLayout, ResizingKeepsTheWorkAndTheSize)
{
    open(writePicture("picture.png", testPicture()));
    window->mbuConvert->trigger();
    const QList<int> source = values(window->conversion().SourceIndexMap);
    const QList<int> target = values(window->conversion().TargetIndexMap);
    ASSERT_EQ(target, QList<int>({7, 9, 11, 4, 4, 7}));
    const QImage painted = window->Picture2->image();
    const QSize size = window->size();

    window->resize(size + QSize(150, 90));
    QResizeEvent dragged(size + QSize(150, 90), size);  // as the platform reports a dragged frame
    QCoreApplication::sendEvent(window.get(), &dragged);
    window->MoveCommands();

    EXPECT_EQ(window->size(), size);
    EXPECT_EQ(values(window->conversion().SourceIndexMap), source);
    EXPECT_EQ(values(window->conversion().TargetIndexMap), target);
    EXPECT_EQ(window->Picture2->image(), painted);
    expectStacked(true);
}

}  // namespace
}  // namespace palshift::test
