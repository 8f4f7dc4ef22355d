#include "convert/mapping_table.h"

#include "convert/nearest_target.h"
#include "platform/atomic_file.h"

#include <QByteArray>

#include <cstdio>

namespace palshift {

namespace {

void appendHex(QByteArray& text, const Rgb& colour)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
    text.append(hex, 7);
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

void writeMappingTable(const QString& file, const Palette& source, const Palette& target,
                       std::optional<std::uint8_t> transparentIndex)
{
    const MappingTable table = mappingTable(source, target, transparentIndex);
    const QByteArray bytes =
        file.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive) ? mappingDat(table) : mappingCsv(table);
    AtomicFile output(file);
    output.write({reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())});
    output.commit();
}

}  // namespace palshift
