#include "app/settings.h"

#include "app/zoom.h"

#include <QSettings>

#include <memory>

namespace palshift {

namespace {

const QString lastFolderKey = QStringLiteral("lastFolder");
const QString zoomKey = QStringLiteral("zoom");
const QString farMatchKey = QStringLiteral("farMatch");
constexpr int defaultFarMatch = 48;
constexpr int largestDistance = 3 * 255;

std::unique_ptr<QSettings> stored()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("palshift"),
                                       QStringLiteral("palshift"));
}

// A stored number, or fallback when it is missing, no number, or outside first..last.
int storedNumber(const QSettings& settings, const QString& key, int fallback, int first, int last)
{
    bool isNumber = false;
    const int value = settings.value(key).toInt(&isNumber);
    return isNumber && value >= first && value <= last ? value : fallback;
}

}  // namespace

Settings::Settings()
{
    const std::unique_ptr<QSettings> settings = stored();
    lastFolder_ = settings->value(lastFolderKey).toString();
    zoom_ = validZoom(storedNumber(*settings, zoomKey, 1, 1, zoomLevels.back()));
    farMatch_ = storedNumber(*settings, farMatchKey, defaultFarMatch, 0, largestDistance);
}

void Settings::setLastFolder(const QString& folder)
{
    if (folder == lastFolder_)
        return;
    lastFolder_ = folder;
    stored()->setValue(lastFolderKey, folder);
}

void Settings::setZoom(int zoom)
{
    if (zoom == zoom_)
        return;
    zoom_ = zoom;
    stored()->setValue(zoomKey, zoom);
}

void Settings::setFarMatch(int distance)
{
    if (distance == farMatch_)
        return;
    farMatch_ = distance;
    stored()->setValue(farMatchKey, distance);
}

}  // namespace palshift
