#include "app/settings.h"

#include <QSettings>

#include <memory>

namespace palshift {

namespace {

const QString lastFolderKey = QStringLiteral("lastFolder");

std::unique_ptr<QSettings> stored()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("palshift"),
                                       QStringLiteral("palshift"));
}

}  // namespace

Settings::Settings() : lastFolder_(stored()->value(lastFolderKey).toString()) {}

void Settings::setLastFolder(const QString& folder)
{
    if (folder == lastFolder_)
        return;
    lastFolder_ = folder;
    stored()->setValue(lastFolderKey, folder);
}

}  // namespace palshift
