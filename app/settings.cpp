#include "app/settings.h"

#include "app/zoom.h"

#include <QSettings>

#include <memory>

namespace palshift {

namespace {

const QString lastFolderKey = QStringLiteral("lastFolder");
const QString sourcePaletteKey = QStringLiteral("palettes/source");
const QString sourceFormatKey = QStringLiteral("palettes/sourceFormat");
const QString targetPaletteKey = QStringLiteral("palettes/target");
const QString targetFormatKey = QStringLiteral("palettes/targetFormat");
const QString transparentIndexKey = QStringLiteral("palettes/transparentIndex");  // "none" or 0 to 255
const QString unmatchedKey = QStringLiteral("palettes/unmatched");
const QString zoomKey = QStringLiteral("zoom");
const QString farMatchKey = QStringLiteral("farMatch");
constexpr int defaultFarMatch = 48;

std::unique_ptr<QSettings> stored()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("palshift"),
                                       QStringLiteral("palshift"));
}

QString unmatchedRuleName(UnmatchedRule rule)
{
    switch (rule) {
    case UnmatchedRule::Nearest:
        return QStringLiteral("nearest");
    case UnmatchedRule::Fail:
        return QStringLiteral("fail");
    case UnmatchedRule::Zero:
        break;
    }
    return QStringLiteral("zero");
}

// A choice needs both files; a value edited into something unknown falls back to its default.
std::optional<PaletteChoice> storedChoice(const QSettings& settings)
{
    PaletteChoice choice;
    choice.files = {settings.value(sourcePaletteKey).toString(), settings.value(targetPaletteKey).toString()};
    if (choice.files.source.isEmpty() || choice.files.target.isEmpty())
        return std::nullopt;
    choice.formats.source = paletteFormatFromName(settings.value(sourceFormatKey).toString()).value_or(PaletteFormat::Auto);
    choice.formats.target = paletteFormatFromName(settings.value(targetFormatKey).toString()).value_or(PaletteFormat::Auto);
    choice.rules.unmatched = unmatchedRuleFromName(settings.value(unmatchedKey).toString()).value_or(UnmatchedRule::Zero);
    bool isNumber = false;
    const int index = settings.value(transparentIndexKey).toString().toInt(&isNumber);
    if (isNumber && index >= 0 && index <= 255)
        choice.rules.transparentIndex = static_cast<std::uint8_t>(index);
    return choice;
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
    paletteChoice_ = storedChoice(*settings);
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

void Settings::setPaletteChoice(const PaletteChoice& choice)
{
    paletteChoice_ = choice;
    const std::unique_ptr<QSettings> settings = stored();
    settings->setValue(sourcePaletteKey, choice.files.source);
    settings->setValue(sourceFormatKey, paletteFormatName(choice.formats.source));
    settings->setValue(targetPaletteKey, choice.files.target);
    settings->setValue(targetFormatKey, paletteFormatName(choice.formats.target));
    settings->setValue(transparentIndexKey, choice.rules.transparentIndex ? QString::number(*choice.rules.transparentIndex)
                                                                          : QStringLiteral("none"));
    settings->setValue(unmatchedKey, unmatchedRuleName(choice.rules.unmatched));
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
