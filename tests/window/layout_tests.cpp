#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionButton>

namespace palshift::test {
namespace {

class WindowLayout : public WindowTest {
protected:
    void openBlue(int width, int height) { open(writePicture("blue.png", picture(width, std::vector<QRgb>(width * height, qRgb(0, 0, 255))))); }
    // Wholly inside the window.
    bool inView(const QWidget* control) const
    {
        QCoreApplication::processEvents();  // the window is laid out by the event loop
        return control->isVisible() && window->rect().contains(QRect(control->mapTo(window.get(), QPoint(0, 0)), control->size()));
    }

    QScrollArea* const scrollArea = window->findChild<QScrollArea*>();
};

// Each caption fits inside its button's frame, and the buttons keep their rows.
TEST_F(WindowLayout, ButtonsFitTheirCaptionsAndKeepTheirRows)
{
    QFont font = QApplication::font();
    font.setPixelSize(26);
    for (QPushButton* button : {window->Command1, window->Command2, window->Command3, window->Command4}) {
        button->setFont(font);
        window->MoveCommands();
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        EXPECT_GE(contents.width(), button->fontMetrics().horizontalAdvance(button->text())) << button->text().toStdString();
        EXPECT_TRUE(inView(button)) << button->text().toStdString();
    }
    const QRect load = window->Command1->geometry(), newPal = window->Command2->geometry(), save = window->Command4->geometry();
    EXPECT_TRUE(newPal.left() >= load.right() && newPal.left() <= load.right() + 3 && save.top() >= load.bottom());
}

// Only the pictures scroll: the menu bar, the buttons and the status bar stay in sight on the screen.
TEST_F(WindowLayout, OnlyThePicturesScroll)
{
    const QRect available = window->screen()->availableGeometry();
    window->move(available.center());  // grown from there, the window would pass the screen's edges
    openBlue(available.width() + 10, available.height() + 10);
    QCoreApplication::processEvents();
    EXPECT_TRUE(available.contains(window->frameGeometry()));
    for (const QWidget* control : std::initializer_list<const QWidget*>{window->menuBar(), window->SB1, window->Command1, window->Command4})
        EXPECT_TRUE(inView(control)) << control->metaObject()->className();
    EXPECT_TRUE(scrollArea->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(scrollArea->verticalScrollBar()->isVisible());
}

// The note beside the step's text shows whole, with the thousands separators of the user's locale.
// (In a small font, so that the window has the room it asks for on the offscreen screen.)
TEST_F(WindowLayout, TheUnmatchedNoteShowsWhole)
{
    struct Restored {
        ~Restored() { QLocale::setDefault(locale), QApplication::setFont(font); }
        const QLocale locale;
        const QFont font = QApplication::font();
    } restored;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QFont small = restored.font;
    small.setPixelSize(7);
    QApplication::setFont(small);
    open(writePicture("off.png", picture(100, std::vector<QRgb>(100 * 80, qRgb(1, 2, 3)))));  // in no palette
    window->Command1->click();
    QCoreApplication::processEvents();
    const auto* const note = window->SB1->findChild<QLabel*>("note");
    ASSERT_EQ(note->text(), "8,000 of 8,000 pixels match no Diablo 1 colour");
    EXPECT_GE(note->contentsRect().width(), note->fontMetrics().horizontalAdvance(note->text()));
}

// Before it is shown a window has no frame yet; sized as if it had none, its title bar would push
// its status bar off the screen.
TEST_F(WindowLayout, AWindowNotShownYetLeavesRoomForItsTitleBar)
{
    const QRect available = window->screen()->availableGeometry();
    const QString large = writePicture("large.png", picture(8, std::vector<QRgb>(8 * (available.height() + 10), qRgb(0, 0, 255))));
    Form1 starting(folder.path(), std::make_unique<ScriptedFileDialog>(), std::make_unique<RecordingMessageBoxes>());
    ASSERT_TRUE(starting.loadFile(large));
    EXPECT_LE(starting.height() + starting.style()->pixelMetric(QStyle::PM_TitleBarHeight), available.height());
}

}  // namespace
}  // namespace palshift::test
