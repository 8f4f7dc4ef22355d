#include "app/convert_command.h"
#include "app/form1.h"
#include "platform/atomic_file.h"
#include "platform/native_path.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
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
    return argc > 2 || first == QStringLiteral("convert") || first == QStringLiteral("map")
           || first.startsWith(QLatin1Char('-'));
}

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
           || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

// Runs "&Convert" once the window is up, then saves the screen around the window to out and quits.
// Meanwhile a failure message is saved to out's name with "-message" and closed, and a step still
// running after a quarter of a second, with its progress, to out's name with "-busy".
void takeScreenshots(palshift::Form1& window, const QString& out)
{
    const auto saveScreen = [&window](const QString& file) {
        QRect shown = window.frameGeometry();
        if (const QWidget* const message = QApplication::activeModalWidget())
            shown = shown.united(message->frameGeometry());
        window.screen()->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height()).save(file);
    };
    const auto named = [out](const char* suffix) {
        const QFileInfo file(out);
        return file.path() + '/' + file.completeBaseName() + QString::fromLatin1(suffix) + '.' + file.suffix();
    };
    auto* const watch = new QTimer(&window);
    QObject::connect(watch, &QTimer::timeout, &window, [&window, saveScreen, named, watch] {
        if (QWidget* const message = QApplication::activeModalWidget()) {
            saveScreen(named("-message"));
            message->close();
        } else if (window.runner().isRunning() && !watch->property("busyShown").toBool()) {
            saveScreen(named("-busy"));
            watch->setProperty("busyShown", true);
        }
    });
    QTimer::singleShot(500, &window, [&window, watch, saveScreen, out] {
        watch->start(250);
        window.mbuConvert_Click();
        watch->stop();
        QTimer::singleShot(200, &window, [saveScreen, out] {  // once the window has repainted
            saveScreen(out);
            QCoreApplication::exit(0);
        });
    });
}

}  // namespace

// palshift [FILE] opens the window; palshift convert ... and the options run without one.
// PALSHIFT_SCREENSHOT=OUT.png runs "&Convert" once the window is up, saves screenshots and quits;
// PALSHIFT_SCREENSHOT_PALETTES=FOLDER then reads the palettes from FOLDER.
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
    const QString screenshot = qEnvironmentVariable("PALSHIFT_SCREENSHOT");
    const QString palettes = qEnvironmentVariable("PALSHIFT_SCREENSHOT_PALETTES");
    palshift::Form1 window(screenshot.isEmpty() || palettes.isEmpty() ? QCoreApplication::applicationDirPath() : palettes);
    if (argc > 1)
        window.loadFile(palshift::pathFromNative(argv[1]));
    window.show();
    if (!screenshot.isEmpty())
        takeScreenshots(window, screenshot);
    return app.exec();
}
