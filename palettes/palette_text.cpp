#include "palettes/palette_text.h"

namespace palshift {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<QByteArrayView> paletteTextLines(QByteArrayView bytes)
{
    std::vector<QByteArrayView> lines;
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = bytes.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

QByteArrayView trimmedLine(QByteArrayView line)
{
    while (!line.isEmpty() && isBlank(line.front()))
        line = line.sliced(1);
    while (!line.isEmpty() && isBlank(line.back()))
        line.chop(1);
    return line;
}

std::optional<Rgb> parseRgbLine(QByteArrayView line, bool allowName)
{
    std::uint8_t channels[3]{};
    qsizetype at = 0;
    for (std::uint8_t& channel : channels) {
        while (at < line.size() && isBlank(line[at]))
            ++at;
        int value = 0, digits = 0;
        for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at, ++digits) {
            value = 10 * value + (line[at] - '0');
            if (value > 255)
                return std::nullopt;
        }
        if (digits == 0 || (at < line.size() && !isBlank(line[at])))
            return std::nullopt;
        channel = static_cast<std::uint8_t>(value);
    }
    if (!allowName && !trimmedLine(line.sliced(at)).isEmpty())
        return std::nullopt;
    return Rgb{channels[0], channels[1], channels[2]};
}

}  // namespace palshift
