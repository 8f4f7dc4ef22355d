#include "pictures/picture_rows.h"

#include "pictures/bmp_rows.h"
#include "pictures/byte_input.h"
#include "pictures/png_rows.h"
#include "platform/file_error.h"
#include "pictures/qt_decoding.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <array>

namespace palshift {

namespace {

constexpr std::array<std::uint8_t, 16> pngStart = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                                   0, 0, 0, 13, 'I', 'H', 'D', 'R'};

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8
           | bytes[at + 3];
}

bool takenAsPng(std::span<const std::uint8_t> head)
{
    if (head.size() < 29 || !std::equal(pngStart.begin(), pngStart.end(), head.begin()))
        return false;
    const std::uint32_t width = bigEndian32(head, 16);
    const std::uint32_t height = bigEndian32(head, 20);
    const std::uint8_t depth = head[24], colourType = head[25], interlace = head[28];
    const bool eightBitType = colourType == 0 || colourType == 2 || colourType == 3 || colourType == 4 || colourType == 6;
    // Larger pictures stay with Qt's reader, whose limits decide about them.
    return depth == 8 && eightBitType && interlace == 0 && width >= 1 && width <= 16384 && height >= 1
           && height <= 16384;
}

// A file as the readers take its bytes.
class FileBytes final : public ByteInput {
public:
    explicit FileBytes(const QString& file) : name_(file), file_(file) {}
    const QString& name() const override { return name_; }
    std::uint64_t size() const override { return static_cast<std::uint64_t>(file_.size()); }
    std::size_t read(std::span<std::uint8_t> into) override { return file_.readOn(into); }

private:
    QString name_;
    RegularFile file_;
};

// A row source together with the file it reads.
template <class Reader>
class FileRows final : public RowSource {
public:
    explicit FileRows(const QString& file) : input_(file), rows_(input_) {}

    std::int32_t width() const override { return rows_.width(); }
    std::int32_t height() const override { return rows_.height(); }
    PixelLayout layout() const override { return rows_.layout(); }
    const IndexedColours* colourTable() const override { return rows_.colourTable(); }
    bool bottomUp() const override { return rows_.bottomUp(); }
    bool keysTransparency() const override { return rows_.keysTransparency(); }
    std::span<const std::uint8_t> nextRow() override { return rows_.nextRow(); }

private:
    FileBytes input_;
    Reader rows_;
};

}  // namespace

RowReader rowReaderFor(std::span<const std::uint8_t> head)
{
    if (takenAsPng(head))
        return RowReader::Png;
    if (bmpLayout(head))
        return RowReader::Bmp;
    return RowReader::Qt;
}

std::optional<std::pair<std::int32_t, std::int32_t>> streamedPictureSize(std::span<const std::uint8_t> head)
{
    if (takenAsPng(head))  // at most 16384 a side
        return std::pair(static_cast<std::int32_t>(bigEndian32(head, 16)), static_cast<std::int32_t>(bigEndian32(head, 20)));
    if (const std::optional<BmpLayout> layout = bmpLayout(head))
        return std::pair(layout->width, layout->height);
    return std::nullopt;
}

std::span<const std::uint8_t> readHead(const QString& file, std::span<std::uint8_t> into)
{
    // Built-in pictures are left to Qt's decoding.
    if (file.startsWith(QLatin1Char(':')))
        return {};
    try {
        RegularFile input(file);
        return into.first(input.readOn(into));
    } catch (const FileError&) {
        return {};
    }
}

std::unique_ptr<RowSource> openRows(const QString& file, RowReader reader)
{
    switch (reader) {
    case RowReader::Png:
        return std::make_unique<FileRows<PngRows>>(file);
    case RowReader::Bmp:
        return std::make_unique<FileRows<BmpRows>>(file);
    case RowReader::Qt:
        break;
    }
    return decodedRows(file, false);
}

}  // namespace palshift
