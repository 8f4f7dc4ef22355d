#pragma once

#include "palettes/palette.h"

#include <QString>

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

// Writes mappingTable(source, target, transparentIndex) to file, whole or not at all (as AtomicFile
// does, "-" is standard output): for a name ending in ".dat" (any case) 256 bytes, byte i the target
// entry of source entry i; else CSV, "source,source_rgb,target,target_rgb,distance" and one line
// per entry, colours as #RRGGBB. Throws FileError as AtomicFile does.
void writeMappingTable(const QString& file, const Palette& source, const Palette& target,
                       std::optional<std::uint8_t> transparentIndex);

}  // namespace palshift
