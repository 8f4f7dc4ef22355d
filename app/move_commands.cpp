#include "app/form1.h"

#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>

namespace palshift {

void Form1::MoveCommands()
{
    const QSize picture = Picture1->size();
    Picture2->setPictureSize(picture);
    Picture2->move(picture.width() + 1, 0);
    for (QPushButton* row : {Command1, Command2, Command3})
        row->move(row->x(), picture.height());
    Command4->move(Command4->x(), Command4->height() + Command3->y());

    // The inner area holds both pictures and both rows of buttons, whichever is wider.
    int right = Picture2->geometry().right();
    int bottom = picture.height() - 1;
    for (const QWidget* control : {Command1, Command2, Command3, Command4}) {
        right = std::max(right, control->geometry().right());
        bottom = std::max(bottom, control->geometry().bottom());
    }
    canvas_->setFixedSize(right + 1, bottom + 1);

    const int chrome = menuBar()->sizeHint().height() + SB1->sizeHint().height();
    QSize window(canvas_->width(), chrome + canvas_->height());
    // Too large for the screen: take what it offers; the pictures and buttons then scroll, and a
    // scroll bar along one side must not hide what would otherwise fit along the other.
    if (const QScreen* const shown = screen()) {
        const QSize available = shown->availableGeometry().size() - (frameGeometry().size() - geometry().size());
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (window.width() > available.width())
            window.rheight() += scrollBar;
        if (window.height() > available.height())
            window.rwidth() += scrollBar;
        window = window.boundedTo(available);
    }
    setFixedSize(window);
}

}  // namespace palshift
