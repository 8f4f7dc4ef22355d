#pragma once

#include "convert/conversion_state.h"
#include "platform/status_line.h"

#include <QFile>

#include <cmath>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

// Failures show text, not UTF-16 units.
QT_BEGIN_NAMESPACE
inline std::ostream& operator<<(std::ostream& out, const QString& text)
{
    return out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace palshift::test {

// A picture box in memory, colour values row by row; -1 is read outside it.
class MemorySurface : public PictureSurface {
public:
    MemorySurface(double width, double height, ColourValue fill = 0)
        : width_(width), height_(height), columns_(int(std::lround(width))), rows_(int(std::lround(height))),
          pixels_(std::size_t(columns_ * rows_), fill) {}

    double width() const override { return width_; }
    double height() const override { return height_; }
    void readRow(std::int32_t y, std::span<ColourValue> row) const override
    {
        for (std::size_t x = 0; x < row.size(); ++x)
            row[x] = inside(std::int32_t(x), y) ? pixels_[std::size_t(y * columns_) + x] : -1;
    }
    void paintRow(std::int32_t y, std::span<const ColourValue> row) override
    {
        rowsPaintedWhileShown += visible_;
        for (std::size_t x = 0; x < row.size() && inside(std::int32_t(x), y); ++x)
            pixels_[std::size_t(y * columns_) + x] = row[x];
    }
    void setVisible(bool visible) override { visible_ = visible; }

    ColourValue& pixel(int x, int y) { return pixels_.at(std::size_t(y * columns_ + x)); }
    bool visible() const { return visible_; }
    int rowsPaintedWhileShown = 0;

private:
    bool inside(std::int32_t x, std::int32_t y) const { return x < columns_ && y >= 0 && y < rows_; }

    double width_, height_;
    int columns_, rows_;
    std::vector<ColourValue> pixels_;
    bool visible_ = true;
};

class RecordingStatusLine : public StatusLine {
public:
    void setText(std::string_view text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

// Whether message is prefix (which names the file) followed by a reason.
inline bool isPrefixAndReason(const QString& message, const QString& prefix)
{
    return message.startsWith(prefix) && !message.mid(prefix.size()).trimmed().isEmpty();
}

inline QByteArray readBytes(const QString& file)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw std::runtime_error("the test cannot read " + file.toStdString());
    return input.readAll();
}

inline void writeBytes(const QString& file, const QByteArray& bytes)
{
    QFile output(file);
    if (!output.open(QIODevice::WriteOnly) || output.write(bytes) != bytes.size())
        throw std::runtime_error("the test cannot write " + file.toStdString());
}

inline QByteArray paletteBytes(const Palette& palette)
{
    QByteArray bytes;
    for (const Rgb& entry : palette)
        bytes.append(char(entry.red)).append(char(entry.green)).append(char(entry.blue));
    return bytes;
}

inline std::uint32_t littleEndian(const QByteArray& bytes, int offset, int width)
{
    std::uint32_t value = 0;
    for (int byte = width - 1; byte >= 0; --byte)
        value = value << 8 | std::uint8_t(bytes.at(offset + byte));
    return value;
}

// Colours whose channels come from a handful of values, so that equal distances are common.
inline std::vector<Rgb> coarseColours(std::mt19937& random, int count)
{
    static constexpr std::uint8_t levels[] = {0, 10, 20, 30, 255};
    std::uniform_int_distribution<int> level(0, 4);
    std::vector<Rgb> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back({levels[level(random)], levels[level(random)], levels[level(random)]});
    return colours;
}

// Every entry one of colours: with fewer colours than entries, repeats are certain.
inline Palette paletteFrom(std::mt19937& random, const std::vector<Rgb>& colours)
{
    std::uniform_int_distribution<std::size_t> pick(0, colours.size() - 1);
    Palette palette{};
    for (Rgb& entry : palette)
        entry = colours[pick(random)];
    return palette;
}

}  // namespace palshift::test
