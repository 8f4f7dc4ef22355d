#include "app/convert_command.h"
#include "app/form1.h"
#include "platform/atomic_file.h"
#include "platform/native_path.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("palshift"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PALSHIFT_VERSION));
}

// The window takes at most one picture; anything else is for the command line to run or refuse.
bool wantsCommandLine(int argc, char* argv[])
{
    if (argc == 1)
        return false;
    const QString first = QString::fromLocal8Bit(argv[1]);
    return argc > 2 || first == QStringLiteral("convert") || first.startsWith(QLatin1Char('-'));
}

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
           || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

}  // namespace

// palshift [FILE] opens the window; palshift convert ... and the options run without one.
// PALSHIFT_SCREENSHOT=OUT.png runs "&Convert" once the window is up, saves it to OUT.png and quits.
int main(int argc, char* argv[])
{
    palshift::installSaveSignalHandlers();
    if (wantsCommandLine(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        return palshift::runCommandLine(palshift::argumentsFromNative(argc, argv));  // Qt's would lose bytes
    }

    if (!hasDisplay()) {
        std::fputs("palshift: there is no display to open the window on; "
                   "'palshift convert --help' tells how to convert without one\n", stderr);
        return palshift::ExitUsage;
    }
    QApplication app(argc, argv);
    nameApplication();
    palshift::Form1 window(QCoreApplication::applicationDirPath());
    if (argc > 1)
        window.loadFile(palshift::pathFromNative(argv[1]));
    window.show();

    const QString screenshot = qEnvironmentVariable("PALSHIFT_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(500, &window, [&window, screenshot] {
            window.mbuConvert_Click();
            const bool saved = window.grab().save(screenshot);
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
