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

std::unique_ptr<QSettings> stored()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("palshift"),
                                       QStringLiteral("palshift"));
}

// A stored number, or fallback when it is missing or no number.
int storedNumber(const QSettings& settings, const QString& key, int fallback)
{
    bool isNumber = false;
    const int value = settings.value(key).toInt(&isNumber);
    return isNumber ? value : fallback;
}

}  // namespace

Settings::Settings()
{
    const std::unique_ptr<QSettings> settings = stored();
    lastFolder_ = settings->value(lastFolderKey).toString();
    zoom_ = validZoom(storedNumber(*settings, zoomKey, 1));
    farMatch_ = storedNumber(*settings, farMatchKey, defaultFarMatch);  // the panel keeps it within 0..765
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
