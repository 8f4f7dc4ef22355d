#include "pictures/linked_qt_decoding.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The window needs an application object; offscreen, so that the tests and their discovery
// run without a display. Every setting, Qt's own too (its file dialog's), goes to a folder of the
// process's own: never the user's, and never one that tests running side by side share.
int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QApplication app(argc, argv);
    palshift::handOverQtDecoding(palshift::linkedQtDecoding());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
