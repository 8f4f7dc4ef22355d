#include <QApplication>

#include <gtest/gtest.h>

// The window needs an application object; offscreen, so that the tests and their discovery
// run without a display.
int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
