#include "pictures/picture_completeness.h"
#include "pictures/picture_limits.h"
#include "pictures/png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <vector>

namespace palshift {

namespace {

// What libpng may inflate past the rows of a small picture before the file is refused; a large
// picture's own size is allowed.
constexpr qint64 surplusPngDataBytes = qint64{1} << 20;

// Bytes of filtered rows the image data of a PNG hold, from its IHDR; 0 when it says nothing valid.
qint64 filteredRowBytes(QByteArrayView header)
{
    const auto number = [&](qsizetype at) {
        return qint64{quint8(header[at])} << 24 | quint8(header[at + 1]) << 16 | quint8(header[at + 2]) << 8 | quint8(header[at + 3]);
    };
    const qint64 width = number(0), height = number(4);
    if (width > largestPicturePixels || height > largestPicturePixels || width * height > largestPicturePixels)
        return 0;  // refused by its size before libpng inflates anything; its rows' bytes need not fit
    const int depth = quint8(header[8]), colourType = quint8(header[9]), interlace = quint8(header[12]);
    static constexpr std::array<int, 7> channels{1, 0, 3, 1, 2, 0, 4};
    if (colourType >= int(channels.size()) || channels[std::size_t(colourType)] == 0 || depth == 0 || depth > 16)
        return 0;
    const qint64 bits = qint64{channels[std::size_t(colourType)]} * depth;
    const auto rows = [&](qint64 columns, qint64 count) { return columns == 0 ? 0 : count * (1 + (columns * bits + 7) / 8); };
    if (interlace == 0)
        return rows(width, height);
    // Adam7: each pass its own rows, from its start, every step pixels.
    static constexpr std::array<std::array<int, 4>, 7> passes{
        {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}};
    qint64 total = 0;
    for (const auto& [x, y, stepX, stepY] : passes)
        total += rows((width - x + stepX - 1) / stepX, (height - y + stepY - 1) / stepY);
    return total;
}

}  // namespace

// libpng inflates all of the image data, however much follows the rows. Deflate gives at most
// 1032 bytes for each, so only data that can hold more than the allowance past the rows are
// inflated here, and only up to that allowance.
std::optional<QString> pngSurplus(QByteArrayView bytes)
{
    if (!isPng(bytes))
        return std::nullopt;
    const PngChunks walk = pngChunks(bytes);
    if (walk.chunks.empty() || walk.chunks.front().type != "IHDR" || walk.chunks.front().length != 13
        || walk.chunks.front().end() > bytes.size())
        return std::nullopt;
    const qint64 needed = filteredRowBytes(bytes.sliced(walk.chunks.front().offset + 8, 13));
    const qint64 allowance = std::max<qint64>(needed, surplusPngDataBytes);
    std::vector<PngChunk> data;
    qint64 compressed = 0;
    for (const PngChunk& chunk : walk.chunks)
        if (chunk.type == "IDAT" && chunk.end() <= bytes.size()) {
            data.push_back(chunk);
            compressed += chunk.length;
        }
    if (needed == 0 || compressed * 1032 <= needed + allowance)
        return std::nullopt;

    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    std::array<Bytef, 64 * 1024> scratch;
    qint64 inflated = 0;
    int status = Z_OK;
    for (const PngChunk& chunk : data) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + chunk.offset + 8));
        stream.avail_in = uInt(chunk.length);
        while (status == Z_OK && stream.avail_in > 0 && inflated <= needed + allowance) {
            stream.next_out = scratch.data();
            stream.avail_out = uInt(scratch.size());
            status = inflate(&stream, Z_NO_FLUSH);
            inflated += qint64(scratch.size() - stream.avail_out);
        }
    }
    inflateEnd(&stream);
    if (inflated <= needed + allowance)
        return std::nullopt;  // whatever else is wrong is the decoder's to judge
    return QStringLiteral("its image data hold more than %1 bytes past the %2 its rows need")
        .arg(allowance).arg(needed);
}

}  // namespace palshift
