#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace palshift::test {
namespace {

class WindowDesign : public WindowTest {};

QStringList texts(const QList<QAction*>& actions)
{
    QStringList all;
    for (const QAction* action : actions)
        all << (action->isSeparator() ? "-" : action->text());
    return all;
}

TEST_F(WindowDesign, StartsReadyWithTheStartUpPictureAtOneToOne)
{
    EXPECT_EQ(window->windowTitle(), "Palshift");
    EXPECT_FALSE(window->windowIcon().pixmap(QSize(16, 16)).isNull());
    EXPECT_EQ(window->SB1->text(), "Ready...");
    const QImage startUp = QImage(":/startup.bmp").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(startUp.size(), QSize(28, 84));
    EXPECT_EQ(window->Picture1->grab().toImage().convertToFormat(QImage::Format_RGB32), startUp);
    const QList<QPushButton*> buttons = {window->Command1, window->Command2, window->Command3, window->Command4};
    QStringList captions;
    for (const QPushButton* button : buttons)
        captions << button->text();
    EXPECT_EQ(captions, QStringList({"Load Pals", "New Pal", "Draw Pic", "Save Picture"}));
}

TEST_F(WindowDesign, MenuBarHoldsFileAndTheConvertCommand)
{
    const QList<QAction*> bar = window->menuBar()->actions();
    EXPECT_EQ(texts(bar), QStringList({"&File", "&Convert"}));
    ASSERT_NE(bar[0]->menu(), nullptr);
    EXPECT_EQ(texts(bar[0]->menu()->actions()), QStringList({"&Open", "&Save", "-", "E&xit"}));
    EXPECT_EQ(bar[0]->menu()->actions()[3], window->mbuFileExit);
    EXPECT_EQ(bar[1], window->mbuConvert);
    EXPECT_EQ(bar[1]->menu(), nullptr);  // a command, no drop-down

    window->mbuConvert->trigger();
    window->mbuFileExit->trigger();  // a result not saved is no reason to ask
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowDesign, TabGoesThroughPicturesAndButtonsInDesignOrder)
{
    const QList<QWidget*> order = {window->Picture1, window->Command1, window->Picture2,
                                   window->Command2, window->Command3, window->Command4};
    window->activateWindow();
    window->Picture1->setFocus(Qt::TabFocusReason);
    for (qsizetype stop = 1; stop < order.size(); ++stop) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[stop]) << "tab stop " << stop;
    }
}

}  // namespace
}  // namespace palshift::test
