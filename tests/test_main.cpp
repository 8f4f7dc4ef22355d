#include "pictures/linked_qt_decoding.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// The command-line tests run the program through QProcess, which needs an application object.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    palshift::handOverQtDecoding(palshift::linkedQtDecoding());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
