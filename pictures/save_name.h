#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace palshift {

// The file a conversion or a save writes.
enum class OutputFormat {
    Bmp,  // 8-bit BMP, the target palette as its colour table
    Png,  // 8-bit indexed PNG, the target palette as PLTE
    Pcx,  // 8-bit run-length encoded PCX, the target palette after 0x0C
    Dc6,  // the second game's sprite file, entry 0 transparent
};

// "bmp", "png", "pcx", "dc6"; nullopt for any other name.
std::optional<OutputFormat> outputFormatFromName(QStringView name);
// "bmp", "png", "pcx", "dc6": the ending of a result's name.
QString outputFormatName(OutputFormat format);
// PNG for a file name ending in ".png", PCX for ".pcx", BMP for any other; the endings in any
// case unless endings says Qt::CaseSensitive. DC6 for ".dc6" in any case.
OutputFormat outputFormatOfFile(QStringView file, Qt::CaseSensitivity endings = Qt::CaseInsensitive);

// The name a save writes: one ending in ".png", ".pcx" or ".dc6" in any case, or in exactly ".bmp",
// as it is; any other with the ending of chosen (the type picked in the save dialog) appended.
QString savedName(const QString& name, OutputFormat chosen = OutputFormat::Bmp);

}  // namespace palshift
