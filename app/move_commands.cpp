#include "app/form1.h"
#include "app/window_fit.h"

#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace palshift {

namespace {

// The size a button needs for its caption in the running font: across, what the style gives it
// (margins and frame; the option carries no text, so not the style's preferred minimum width);
// down, the caption's height within the frame, so that the designed row height holds where it fits.
QSize captionSize(const QPushButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const QFontMetrics metrics = button->fontMetrics();
    const QSize caption(metrics.horizontalAdvance(button->text()), metrics.height());
    const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
    return {button->style()->sizeFromContents(QStyle::CT_PushButton, &option, caption, button).width(),
            caption.height() + 2 * frame};
}

// The viewport that shows as much of the pictures as room allows, with a scroll bar along each
// side that does not fit (a bar across takes height, which may call for a bar down, and so on).
struct Viewport {
    QSize size;
    bool across, down;  // the scroll bars it needs
};
Viewport picturesViewport(QSize pictures, QSize room, int scrollBar)
{
    bool across = false, down = false;
    for (int pass = 0; pass < 2; ++pass) {
        across = pictures.width() > room.width() - (down ? scrollBar : 0);
        down = pictures.height() > room.height() - (across ? scrollBar : 0);
    }
    return {{std::min(pictures.width() + (down ? scrollBar : 0), room.width()),
             std::min(pictures.height() + (across ? scrollBar : 0), room.height())},
            across,
            down};
}

}  // namespace

void Form1::placeButtons(int top)
{
    // Each button at least its designed size and wider where its caption needs it; the row keeps
    // its designed left edges, each button overlapping its left neighbour by one pixel, and
    // Command4 stays centred below it, as designed.
    struct Designed { QPushButton* button; int left, width; };
    const Designed row[] = {{Command1, 0, 57}, {Command2, 56, 57}, {Command3, 112, 57}};
    int height = 17;
    for (const QPushButton* button : {Command1, Command2, Command3, Command4})
        height = std::max(height, captionSize(button).height());
    int next = 0;
    for (const Designed& designed : row) {
        const int left = std::max(designed.left, next);
        const int width = std::max(designed.width, captionSize(designed.button).width());
        designed.button->setGeometry(left, top, width, height);
        next = left + width - 1;
    }
    const int rowWidth = next + 1;
    const int width = std::max(73, captionSize(Command4).width());
    Command4->setGeometry(std::max(0, (rowWidth - width) / 2), Command4->height() + Command3->y(), width, height);
}

void Form1::MoveCommands()
{
    // Both pictures at the zoom, each in a scroll area of its own that scrolls with the other,
    // Picture2's one screen pixel right of Picture1's.
    Picture2->setPictureSize(Picture1->pictureSize());
    Picture1->setZoom(zoom_);
    Picture2->setZoom(zoom_);
    pictures_->setFixedSize(Picture1->size());
    pictures2_->setFixedSize(Picture2->size());
    placeButtons(0);  // for their sizes
    const int buttonsHeight = Command4->geometry().bottom() + 1;
    const int buttonsWidth = Command3->geometry().right() + 1;

    // Only the pictures scroll: the buttons stay below them, the menu bar and status bar around them,
    // all within the room the screen offers.
    QSize room(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QScreen* const shown = screen();
    const QMargins known = marginsAround(geometry(), frameGeometry());
    frameMargins_ = known;
    if (shown) {
        room = clientRoom(shown->availableGeometry(),
                          frameMarginsToCount(known, style()->pixelMetric(QStyle::PM_TitleBarHeight),
                                              style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth)));
        room.rheight() -= menuBar()->sizeHint().height() + SB1->sizeHint().height() + buttonsHeight;
    }
    const Viewport fitted = picturesViewport(Picture1->size(), QSize((room.width() - 1) / 2, room.height()),
                                             style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    const QSize viewport = fitted.size;
    // The bars as computed: left to decide, a scroll area can keep both while its picture grows
    // past it and shrinks back within a zoom change, with no room left to show the picture.
    for (QScrollArea* area : {scrollArea_, scrollArea2_}) {
        area->setHorizontalScrollBarPolicy(fitted.across ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        area->setVerticalScrollBarPolicy(fitted.down ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    }
    scrollArea_->setGeometry(0, 0, viewport.width(), viewport.height());
    scrollArea2_->setGeometry(viewport.width() + 1, 0, viewport.width(), viewport.height());
    placeButtons(viewport.height());
    // The status bar's room within the screen's: on a narrow screen the note gives way first.
    central_->setFixedSize(std::max({2 * viewport.width() + 1, buttonsWidth, std::min(statusWidth(), room.width())}),
                           viewport.height() + buttonsHeight);

    const int menuHeight = menuBar()->heightForWidth(central_->width());
    setFixedSize(central_->width(),
                 std::max(menuHeight, menuBar()->sizeHint().height()) + central_->height() + SB1->sizeHint().height());

    // A window grown past the screen's edge is moved back, so that nothing of it is out of sight.
    if (shown && isVisible()) {
        const QPoint corner = placedFrame(frameGeometry(), shown->availableGeometry());
        if (corner != frameGeometry().topLeft())
            move(corner);
    }
}

}  // namespace palshift
