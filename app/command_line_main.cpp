#include "app/application_name.h"
#include "app/convert_command.h"
#include "app/module_entry.h"
#include "app/qt_decoding_module.h"
#include "platform/atomic_file.h"
#include "platform/native_path.h"
#include "platform/standard_input.h"

#include <QCoreApplication>

// palshift convert ..., palshift map ... and the options, without Qt Widgets.
int palshift_main(int argc, char* argv[])
{
    palshift::guardStandardDescriptors();  // before Qt opens its own descriptors
    palshift::installSaveSignalHandlers();
    palshift::handOverQtDecoding(palshift::qtDecodingLoadedOnUse());
    QCoreApplication app(argc, argv);
    palshift::nameApplication();
    return palshift::runCommandLine(palshift::argumentsFromNative(argc, argv));  // Qt's would lose bytes
}
