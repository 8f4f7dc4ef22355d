#include "app/window_fit.h"

#include <algorithm>

namespace palshift {

QMargins marginsAround(const QRect& inside, const QRect& frame)
{
    return {inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
            frame.bottom() - inside.bottom()};
}

QMargins frameMarginsToCount(QMargins known, int titleBar, int border)
{
    return {std::max(known.left(), border), std::max(known.top(), titleBar + border), std::max(known.right(), border),
            std::max(known.bottom(), border)};
}

QSize clientRoom(const QRect& available, const QMargins& frame)
{
    return available.size().shrunkBy(frame).expandedTo(QSize(0, 0));
}

QPoint placedFrame(const QRect& frame, const QRect& available)
{
    // Right and bottom first, so that where the frame is too large its left and top win.
    QPoint corner = frame.topLeft();
    corner.setX(std::min(corner.x(), available.x() + available.width() - frame.width()));
    corner.setY(std::min(corner.y(), available.y() + available.height() - frame.height()));
    corner.setX(std::max(corner.x(), available.x()));
    corner.setY(std::max(corner.y(), available.y()));
    return corner;
}

}  // namespace palshift
