#include "app/application_name.h"
#include "app/convert_command.h"
#include "app/form1.h"
#include "app/module_entry.h"
#include "app/palette_panel.h"
#include "app/palette_grid.h"
#include "pictures/linked_qt_decoding.h"
#include "platform/atomic_file.h"
#include "platform/native_path.h"

#include <QApplication>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
           || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

// Points at the middle pixel of Picture1, and when the palette panel is open, at that pixel's
// Diablo 1 entry too, which it then selects, so that a screenshot shows what they say.
void showViewForScreenshot(palshift::Form1& window)
{
    const auto move = [](QWidget* widget, QPoint point) {
        QMouseEvent moved(QEvent::MouseMove, point, widget->mapToGlobal(QPointF(point)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &moved);
    };
    const QPoint middle(window.Picture1->pictureSize().width() / 2, window.Picture1->pictureSize().height() / 2);
    move(window.Picture1, middle * window.zoom());
    palshift::PalettePanel* const panel = window.palettePanel();
    const std::optional<int> entry = window.view().sourceEntry(middle.x(), middle.y());
    if (panel->isVisible() && entry) {
        // Beside the window where the screen has room, else over its right-hand side: on the screen
        // either way, where a grab can see it.
        const QRect frame = window.frameGeometry(), screen = window.screen()->availableGeometry();
        const QSize size = panel->frameGeometry().size();
        const bool besideFits = frame.right() + 8 + size.width() <= screen.right();
        panel->move(besideFits ? frame.topRight() + QPoint(8, 0)
                               : QPoint(std::max(screen.left(), screen.right() - size.width()), frame.top()));
        const QPoint swatch = panel->sourceGrid()->swatchRect(*entry).center();
        move(panel->sourceGrid(), swatch);
        QMouseEvent press(QEvent::MouseButtonPress, swatch, panel->sourceGrid()->mapToGlobal(QPointF(swatch)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel->sourceGrid(), &press);
    }
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
        if (window.palettePanel()->isVisible())
            shown = shown.united(window.palettePanel()->frameGeometry());
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
    QTimer::singleShot(500, &window, [&window, watch, saveScreen, named, out] {
        watch->start(250);
        window.mbuConvert_Click();
        watch->stop();
        showViewForScreenshot(window);
        if (qEnvironmentVariable("PALSHIFT_SCREENSHOT_DIALOG") == QStringLiteral("palettes")) {
            QTimer::singleShot(500, &window, [saveScreen, named] {
                if (QWidget* const dialog = QApplication::activeModalWidget()) {
                    saveScreen(named("-palettes"));
                    dialog->close();
                }
            });
            window.mnuFilePalettes_Click();
        }
        QTimer::singleShot(200, &window, [saveScreen, out] {  // once the window has repainted
            saveScreen(out);
            QCoreApplication::exit(0);
        });
    });
}

}  // namespace

// palshift [FILE] opens the window.
// PALSHIFT_SCREENSHOT=OUT.png runs "&Convert" once the window is up, saves screenshots and quits;
// PALSHIFT_SCREENSHOT_PALETTES=FOLDER then reads the palettes from FOLDER, PALSHIFT_SCREENSHOT_ZOOM
// sets the zoom and PALSHIFT_SCREENSHOT_VIEW=palettes,unmatched opens the palette panel and
// highlights unmatched pixels; PALSHIFT_SCREENSHOT_DIALOG=palettes also shows File > Palettes... to
// OUT-palettes.png. The user's settings are left alone.
int palshift_main(int argc, char* argv[])
{
    palshift::installSaveSignalHandlers();
    palshift::handOverQtDecoding(palshift::linkedQtDecoding());
    if (!hasDisplay()) {
        std::fputs("palshift: there is no display to open the window on; "
                   "'palshift convert --help' tells how to convert without one\n", stderr);
        return palshift::ExitUsage;
    }
    QApplication app(argc, argv);
    palshift::nameApplication();
    const QString screenshot = qEnvironmentVariable("PALSHIFT_SCREENSHOT");
    const QString palettes = qEnvironmentVariable("PALSHIFT_SCREENSHOT_PALETTES");
    const QTemporaryDir screenshotSettings;
    if (!screenshot.isEmpty())
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, screenshotSettings.path());
    palshift::Form1 window(screenshot.isEmpty() || palettes.isEmpty() ? QCoreApplication::applicationDirPath() : palettes);
    window.show();  // first, so that a message about the file comes over the window
    if (argc > 1)
        window.loadFile(palshift::pathFromNative(argv[1]));
    if (!screenshot.isEmpty()) {
        window.setZoom(qEnvironmentVariableIntValue("PALSHIFT_SCREENSHOT_ZOOM"));
        const QStringList view = qEnvironmentVariable("PALSHIFT_SCREENSHOT_VIEW").split(QLatin1Char(','));
        window.mnuViewPalettes->setChecked(view.contains(QStringLiteral("palettes")));
        window.mnuViewUnmatched->setChecked(view.contains(QStringLiteral("unmatched")));
        takeScreenshots(window, screenshot);
    }
    return app.exec();
}
