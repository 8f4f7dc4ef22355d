#pragma once

#include "convert/conversion_state.h"
#include "convert/status_line.h"

#include <QFile>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace palshift::test {

// A picture box in memory, colour values row by row; -1 is read outside it.
struct MemorySurface : PictureSurface {
    MemorySurface(int width, int height) : columns(width), rows(height), pixels(std::size_t(width * height)) {}
    double width() const override { return columns; }
    double height() const override { return rows; }
    void readRow(std::int32_t y, std::span<ColourValue> row) const override
    {
        for (std::size_t x = 0; x < row.size(); ++x)
            row[x] = int(x) < columns ? pixels.at(std::size_t(y * columns) + x) : -1;
    }
    void paintRow(std::int32_t y, std::span<const ColourValue> row) override { std::copy_n(row.begin(), columns, pixels.begin() + y * columns); }
    void setVisible(bool) override {}
    int columns, rows;
    std::vector<ColourValue> pixels;
};

struct RecordingStatusLine : StatusLine {
    void setText(std::string_view text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

inline QByteArray readBytes(const QString& file)
{
    QFile input(file);
    return input.open(QIODevice::ReadOnly) ? input.readAll() : "(cannot read " + file.toUtf8() + ")";
}

inline void writeBytes(const QString& file, const QByteArray& bytes)
{
    QFile output(file);
    EXPECT_TRUE(output.open(QIODevice::WriteOnly) && output.write(bytes) == bytes.size()) << qPrintable(file);
}

static_assert(sizeof(Palette) == 768);  // red, green, blue per entry, as a palette file holds them
inline QByteArray paletteBytes(const Palette& palette) { return {reinterpret_cast<const char*>(palette.data()), sizeof palette}; }

// Every entry one of `colours` colours whose channels come from a handful of levels, so that repeated
// colours and equal distances are common.
inline Palette coarsePalette(std::mt19937& random, int colours)
{
    static constexpr std::uint8_t levels[] = {0, 10, 20, 30, 255};
    std::uniform_int_distribution<int> level(0, 4), pick(0, colours - 1);
    Palette chosen{}, palette{};
    for (int c = 0; c < colours; ++c)
        chosen[std::size_t(c)] = {levels[level(random)], levels[level(random)], levels[level(random)]};
    for (Rgb& entry : palette)
        entry = chosen[std::size_t(pick(random))];
    return palette;
}

}  // namespace palshift::test
