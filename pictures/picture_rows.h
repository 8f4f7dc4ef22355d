#pragma once

#include "pictures/row_source.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <span>

namespace palshift {

// Which reader hands out a picture's rows.
enum class RowReader {
    Png,  // read row by row (PngRows)
    Bmp,  // read row by row (BmpRows)
    Qt,   // decoded whole by Qt's picture loading (QtRows): every other picture
};

// How many first bytes of a file rowReaderFor() looks at.
constexpr std::size_t rowReaderHeadBytes = 64;

// The reader for a file that starts with head, from the PNG and BMP headers alone: only the forms
// those readers take go to them, everything else to Qt.
RowReader rowReaderFor(std::span<const std::uint8_t> head);

// The width and height in the header of a picture that rowReaderFor() gives a streaming reader.
std::optional<std::pair<std::int32_t, std::int32_t>> streamedPictureSize(std::span<const std::uint8_t> head);

// The first bytes of file, for rowReaderFor(); none when it cannot be read (Qt then says why) or is
// a built-in ":/..." one, which Qt decodes.
std::span<const std::uint8_t> readHead(const QString& file, std::span<std::uint8_t> into);

// Opens file's rows through reader. Throws FileError naming the file.
std::unique_ptr<RowSource> openRows(const QString& file, RowReader reader);

}  // namespace palshift
