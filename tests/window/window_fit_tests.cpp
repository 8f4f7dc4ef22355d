#include "app/window_fit.h"

#include <gtest/gtest.h>

namespace palshift::test {
namespace {

// A 1600 x 1000 screen whose panel takes the top 30 pixels; a frame of a 20-pixel title bar and a
// 1-pixel border.
const QRect available(0, 30, 1600, 970);
const QMargins frame(1, 21, 1, 1);

TEST(WindowFit, TheFrameCountsFromBeforeTheWindowIsShown)
{
    EXPECT_EQ(marginsAround(QRect(10, 50, 100, 80), QRect(9, 29, 102, 102)), frame);
    EXPECT_EQ(frameMarginsToCount({}, 20, 1), frame);                          // not told yet
    EXPECT_EQ(frameMarginsToCount(QMargins(5, 40, 6, 7), 20, 1), QMargins(5, 40, 6, 7));  // told
    EXPECT_EQ(frameMarginsToCount(QMargins(0, 30, 0, 0), 20, 1), QMargins(1, 30, 1, 1));
    EXPECT_EQ(clientRoom(available, frame), QSize(1598, 948));
    EXPECT_EQ(clientRoom(QRect(0, 0, 10, 10), frame), QSize(8, 0));  // never below nothing
}

TEST(WindowFit, AFramePastAnEdgeMovesBackTheLeast)
{
    EXPECT_EQ(placedFrame({100, 100, 400, 300}, available), QPoint(100, 100));  // inside: stays
    EXPECT_EQ(placedFrame({1500, 900, 400, 300}, available), QPoint(1200, 700));
    EXPECT_EQ(placedFrame({-50, 0, 400, 300}, available), QPoint(0, 30));
    EXPECT_EQ(placedFrame({1200, 700, 400, 300}, available), QPoint(1200, 700));  // edge to edge
    // Too large: the title bar and the left edge stay in view.
    EXPECT_EQ(placedFrame({300, 20, 1700, 1000}, available), QPoint(0, 30));
}

}  // namespace
}  // namespace palshift::test
