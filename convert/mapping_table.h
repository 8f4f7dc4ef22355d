#pragma once

#include "palettes/palette.h"

#include <QByteArray>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace palshift {

// How one source palette entry maps.
struct MappingRow {
    std::uint8_t source;
    Rgb sourceColour;
    std::uint8_t target;
    Rgb targetColour;
    int distance;  // sum of the absolute channel differences
};
using MappingTable = std::array<MappingRow, 256>;

// The nearest target entry of every source entry; no source entry maps to transparentIndex.
MappingTable mappingTable(const Palette& source, const Palette& target,
                          std::optional<std::uint8_t> transparentIndex = {});

// "source,source_rgb,target,target_rgb,distance", then one line per entry, colours as #RRGGBB.
QByteArray mappingCsv(const MappingTable& table);
// 256 bytes: byte i is the target entry of source entry i.
QByteArray mappingDat(const MappingTable& table);
// The .dat form for a name ending in ".dat" (any case), else CSV.
bool isDatMappingName(QStringView file);

}  // namespace palshift
