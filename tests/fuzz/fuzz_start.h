#pragma once

#include "pictures/linked_qt_decoding.h"

#include <QCoreApplication>

// Every harness starts with the image plugins and the decoding through Qt GUI at hand, and with Qt's
// messages silenced: decoders report what they find wrong there, and a million of them would drown
// the fuzzer's own output.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    palshift::handOverQtDecoding(palshift::linkedQtDecoding());
    return 0;
}
