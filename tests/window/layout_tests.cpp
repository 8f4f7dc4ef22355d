#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionButton>

#include <set>

namespace palshift::test {
namespace {

class WindowLayout : public WindowTest {
protected:
    void openBlue(int width, int height) { open(writePicture("blue.png", picture(width, std::vector<QRgb>(width * height, qRgb(0, 0, 255))))); }
    // Wholly inside the window and, for a picture, inside the part of its scroll area on show.
    bool inView(const QWidget* control) const
    {
        QCoreApplication::processEvents();  // the window is laid out by the event loop
        const QRect inWindow(control->mapTo(window.get(), QPoint(0, 0)), control->size());
        const bool picture = control == window->Picture1 || control == window->Picture2;
        const QWidget* const viewport = picture ? scrollAreaOf(control)->viewport() : nullptr;
        return control->isVisible() && window->rect().contains(inWindow)
               && (!picture || viewport->rect().contains(QRect(control->mapTo(viewport, QPoint(0, 0)), control->size())));
    }
    // Where a widget is in the window's central area.
    QRect placed(const QWidget* widget) const { return {widget->mapTo(window->centralWidget(), QPoint()), widget->size()}; }
    static QScrollArea* scrollAreaOf(const QWidget* widget)
    {
        for (QWidget* above = widget->parentWidget(); above; above = above->parentWidget())
            if (auto* const area = qobject_cast<QScrollArea*>(above))
                return area;
        return nullptr;
    }
    QList<QPushButton*> buttons() const { return {window->Command1, window->Command2, window->Command3, window->Command4}; }

    QScrollArea* const scrollArea = window->findChild<QScrollArea*>();
};

TEST_F(WindowLayout, Picture2AndTheButtonsFollowThePictureAndAllShow)
{
    struct Placement { QSize picture; QRect picture2; int firstRow; };  // no picture: the start-up one
    for (const Placement& expected : {Placement{{}, {29, 0, 28, 84}, 84}, Placement{{1, 1}, {2, 0, 1, 1}, 1},
                                      Placement{{100, 50}, {101, 0, 100, 50}, 50}}) {
        if (expected.picture.isValid())
            openBlue(expected.picture.width(), expected.picture.height());
        SCOPED_TRACE(expected.picture2.width());
        EXPECT_EQ(placed(window->Picture2), expected.picture2);
        for (const QPushButton* button : {window->Command1, window->Command2, window->Command3})
            EXPECT_EQ(button->y(), expected.firstRow);
        EXPECT_EQ(window->Command4->y(), expected.firstRow + window->Command4->height());
        EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>(expected.picture2.width() * expected.picture2.height(), 0));
        for (const QWidget* control : std::initializer_list<const QWidget*>{
                 window->Picture1, window->Picture2, window->Command1, window->Command2, window->Command3, window->Command4})
            EXPECT_TRUE(inView(control)) << control->objectName().toStdString() << control->property("text").toString().toStdString();
    }
}

// Each caption fits inside its button's frame; no button is smaller than designed; the row keeps
// its order, one line, each button touching or overlapping its neighbour, "Save Picture" below it
// starting between the first two. With a font small enough, everything is where it was designed.
TEST_F(WindowLayout, ButtonsFitTheirCaptionsAndKeepTheirRows)
{
    for (const int pixelSize : {6, 0, 13, 26}) {  // 0: the running font
        SCOPED_TRACE(pixelSize);
        QFont font = QApplication::font();
        if (pixelSize > 0)
            font.setPixelSize(pixelSize);
        for (QPushButton* button : buttons())
            button->setFont(font);
        window->MoveCommands();
        for (QPushButton* button : buttons()) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            EXPECT_GE(contents.width(), button->fontMetrics().horizontalAdvance(button->text())) << button->text().toStdString();
            EXPECT_GE(contents.height(), button->fontMetrics().height()) << button->text().toStdString();
            EXPECT_GE(button->width(), button == window->Command4 ? 73 : 57);
            EXPECT_GE(button->height(), 17);
            EXPECT_TRUE(inView(button)) << button->text().toStdString();
        }
        const QRect load = window->Command1->geometry(), newPal = window->Command2->geometry(),
                    draw = window->Command3->geometry(), save = window->Command4->geometry();
        EXPECT_EQ(load.left(), 0);
        // Neighbours overlap by one pixel at most, or leave a small gap.
        EXPECT_TRUE(newPal.left() >= load.right() && newPal.left() <= load.right() + 3 && draw.left() >= newPal.right()
                    && draw.left() <= newPal.right() + 3);
        EXPECT_TRUE(load.top() == newPal.top() && newPal.top() == draw.top() && save.top() >= draw.bottom());
        EXPECT_TRUE(save.left() > load.left() && save.left() < newPal.left() && save.right() < draw.right());
        if (pixelSize == 6) {
            EXPECT_EQ(QList<QRect>({load, newPal, draw, save}),
                      QList<QRect>({{0, 84, 57, 17}, {56, 84, 57, 17}, {112, 84, 57, 17}, {48, 101, 73, 17}}));
        }
    }
}

// Only the pictures scroll: the menu bar, both rows of buttons and the status bar stay in sight on
// the screen, and a scroll bar along one side hides nothing that would fit along the other.
TEST_F(WindowLayout, OnlyThePicturesScroll)
{
    const QRect available = window->screen()->availableGeometry();
    for (const QSize size : {QSize(available.width() + 10, available.height() + 10), QSize(available.width(), 50)}) {
        SCOPED_TRACE(size.height());
        window->move(available.center());  // grown from there, the window would pass the screen's edges
        openBlue(size.width(), size.height());
        QCoreApplication::processEvents();
        EXPECT_TRUE(available.contains(window->frameGeometry()));
        for (const QWidget* control : std::initializer_list<const QWidget*>{window->menuBar(), window->SB1, window->Command1,
                                                                            window->Command2, window->Command3, window->Command4}) {
            EXPECT_TRUE(inView(control)) << control->metaObject()->className() << control->property("text").toString().toStdString();
            EXPECT_FALSE(QRect(scrollArea->mapTo(window.get(), QPoint()), scrollArea->size())
                             .intersects(QRect(control->mapTo(window.get(), QPoint()), control->size())));
        }
        QScrollBar* const across = scrollArea->horizontalScrollBar();
        QScrollBar* const down = scrollArea->verticalScrollBar();
        EXPECT_EQ(down->maximum() > 0, size.height() > 50);  // a short picture shows whole in height
        across->setValue(across->maximum());
        down->setValue(down->maximum());
        // Picture2 scrolls with Picture1, to its own lower right corner.
        QScrollArea* const picture2Area = scrollAreaOf(window->Picture2);
        EXPECT_NE(picture2Area, scrollArea);
        const QPoint bottomRight = window->Picture2->mapTo(picture2Area->viewport(), QPoint(window->Picture2->width() - 1, window->Picture2->height() - 1));
        EXPECT_TRUE(picture2Area->viewport()->rect().contains(bottomRight));
        EXPECT_EQ(placed(picture2Area).left(), scrollArea->width() + 1);
        across->setValue(0), down->setValue(0);
    }
}

TEST_F(WindowLayout, KeyboardStartsOnLoadPalsAndEveryTabStopShowsFocus)
{
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(QApplication::focusWidget(), window->Command1);
    for (QWidget* const next : std::initializer_list<QWidget*>{window->Picture2, window->Command2, window->Command3,
                                                               window->Command4, window->Picture1, window->Command1}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString() << next->property("text").toString().toStdString();
    }
    const QImage unfocused = shown(window->Picture1);
    window->Picture1->setFocus(Qt::TabFocusReason);
    EXPECT_NE(shown(window->Picture1), unfocused) << "no focus frame";

    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE((flags & Qt::WindowMinimizeButtonHint) && (flags & Qt::WindowCloseButtonHint));
}

// A checkerboard where a picture has no colour of its own: in Picture2 before any conversion, and
// under transparent pixels in both pictures. Painted over magenta, so nothing must be left out.
TEST_F(WindowLayout, NothingPaintedShowsACheckerboard)
{
    const auto colours = [](QWidget* box) {
        QImage painted(box->size(), QImage::Format_RGB32);
        painted.fill(Qt::magenta);
        box->render(&painted, QPoint(), QRegion(), QWidget::DrawChildren);
        std::set<QRgb> seen;
        for (int y = 0; y < painted.height(); ++y)
            for (int x = 0; x < painted.width(); ++x)
                seen.insert(painted.pixel(x, y));
        return seen.count(qRgb(255, 0, 255)) ? 0u : seen.size();
    };
    EXPECT_GE(colours(window->Picture2), 2u);
    QImage clear(40, 40, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    open(writePicture("clear.png", clear));
    EXPECT_GE(colours(window->Picture1), 2u);
    window->mbuConvert->trigger();  // every pixel is black, entry 0: the result is opaque
    EXPECT_EQ(colours(window->Picture2), 1u);
    EXPECT_TRUE(window->Picture2->isVisible());
}

}  // namespace
}  // namespace palshift::test
