#pragma once

#include <QMargins>
#include <QRect>

namespace palshift {

// How far frame reaches past inside on each side.
QMargins marginsAround(const QRect& inside, const QRect& frame);

// The frame margins a top-level window is fitted with: its own as far as the window system has told
// them, and at least a title bar of titleBar and a border of border on each side, since before the
// window is shown (or under a window manager that tells nothing) its frame counts as none.
QMargins frameMarginsToCount(QMargins known, int titleBar, int border);

// The largest size of a window's inside whose frame, of the given margins, fits in available.
QSize clientRoom(const QRect& available, const QMargins& frame);

// Where frame's top-left corner goes so that the frame lies within available, moved the least; a
// frame larger than available keeps its top and left edges, with the title bar, in view.
QPoint placedFrame(const QRect& frame, const QRect& available);

}  // namespace palshift
