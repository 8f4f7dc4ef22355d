#include "app/convert_command.h"
#include "app/form1.h"

#include <QApplication>
#include <QTimer>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("palshift"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PALSHIFT_VERSION));
}

bool wantsCommandLine(int argc, char* argv[])
{
    if (argc < 2)
        return false;
    const QString first = QString::fromLocal8Bit(argv[1]);
    return first == QStringLiteral("convert") || first.startsWith(QLatin1Char('-'));
}

}  // namespace

// palshift [FILE] opens the window; palshift convert ... and the options run without one.
// PALSHIFT_SCREENSHOT=OUT.png runs "&Convert" once the window is up, saves it to OUT.png and quits.
int main(int argc, char* argv[])
{
    if (wantsCommandLine(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        return palshift::runCommandLine(QCoreApplication::arguments());
    }

    QApplication app(argc, argv);
    nameApplication();
    palshift::Form1 window(QCoreApplication::applicationDirPath());
    if (argc > 1)
        window.loadFile(QString::fromLocal8Bit(argv[1]));
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
