#pragma once

#include <QByteArrayView>

#include <vector>

namespace palshift {

// One chunk of a PNG file: its offset (of the length field), type and data length.
struct PngChunk {
    qsizetype offset;
    QByteArrayView type;
    qint64 length;
    qint64 end() const { return offset + 12 + length; }  // length, type, data, CRC
};

// The chunks of a PNG file in order, up to IEND. The walk stops at a chunk that reaches past the
// end of bytes (which is then the last one given, its end beyond bytes.size()) and before a length
// over 2^31 - 1, which no PNG holds.
struct PngChunks {
    std::vector<PngChunk> chunks;
    bool endsWithIend = false;
    bool malformed = false;
};

bool isPng(QByteArrayView bytes);
PngChunks pngChunks(QByteArrayView bytes);

}  // namespace palshift
