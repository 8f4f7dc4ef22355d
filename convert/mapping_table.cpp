#include "convert/mapping_table.h"

#include "convert/nearest_target.h"

#include <QString>

#include <cstdio>

namespace palshift {

namespace {

void appendHex(QByteArray& text, const Rgb& colour)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
    text.append(hex, 7);
}

}  // namespace

MappingTable mappingTable(const Palette& source, const Palette& target, std::optional<std::uint8_t> transparentIndex)
{
    const std::array<std::uint8_t, 256> nearest = nearestTargets(source, target, transparentIndex);
    MappingTable table{};
    for (std::size_t entry = 0; entry < table.size(); ++entry) {
        const Rgb& targetColour = target[nearest[entry]];
        table[entry] = {static_cast<std::uint8_t>(entry), source[entry], nearest[entry], targetColour,
                        colourDistance(source[entry], targetColour)};
    }
    return table;
}

QByteArray mappingCsv(const MappingTable& table)
{
    QByteArray text = "source,source_rgb,target,target_rgb,distance\n";
    for (const MappingRow& row : table) {
        text += QByteArray::number(row.source) + ',';
        appendHex(text, row.sourceColour);
        text += ',' + QByteArray::number(row.target) + ',';
        appendHex(text, row.targetColour);
        text += ',' + QByteArray::number(row.distance) + '\n';
    }
    return text;
}

QByteArray mappingDat(const MappingTable& table)
{
    QByteArray bytes;
    for (const MappingRow& row : table)
        bytes.append(static_cast<char>(row.target));
    return bytes;
}

bool isDatMappingName(QStringView file)
{
    return file.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive);
}

}  // namespace palshift
