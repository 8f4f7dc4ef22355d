#include "app/convert_command.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("palshift"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PALSHIFT_VERSION));
    return palshift::runCommandLine(QCoreApplication::arguments());
}
