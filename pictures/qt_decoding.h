#pragma once

#include "palettes/palette.h"
#include "pictures/result_held.h"
#include "pictures/row_source.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <memory>
#include <optional>
#include <utility>

namespace palshift {

// A failure inside Qt GUI's decoding, brought back as a value: no exception crosses the table below,
// which may come from a module of its own.
struct DecodingFailure {
    enum class Kind { File, OutOfMemory, Other };
    Kind kind = Kind::Other;
    QString file;     // the FileError's, for Kind::File
    QString message;  // what() of what was thrown
};

template <class T>
struct Decoded {
    T value{};
    std::optional<DecodingFailure> failure;
};

// The frames of a picture: one, or each of an animated picture in order.
class DecodedFrames {
public:
    virtual ~DecodedFrames() = default;
    virtual int count() const = 0;
    // The next frame's rows as 32-bit pixels, its alpha kept (QtRows::Alpha::Kept).
    virtual Decoded<std::unique_ptr<RowSource>> next() = 0;
};

// Everything the program asks of Qt GUI's decoders, as one table of functions: the window links
// them (linkedQtDecoding()), the command line loads them only for a picture that needs them.
struct QtDecoding {
    // A picture's bytes decoded whole (decodePicture), as QtRows: its alpha ignored or kept.
    Decoded<std::unique_ptr<RowSource>> (*rows)(const QByteArray& bytes, const QString& name, bool keepAlpha);
    Decoded<std::unique_ptr<DecodedFrames>> (*frames)(const QByteArray& bytes, const QString& name);
    // decodePicturePalette.
    Decoded<Palette> (*palette)(QByteArrayView bytes, const QString& file);
    // estimatedDecodedPeakBytes of the picture on device: 0 when its header tells nothing.
    qint64 (*peakBytes)(QIODevice& device, ResultHeld held);
};

// Hands the table to everything below that decodes through Qt: once, at start-up, before any thread.
void handOverQtDecoding(const QtDecoding& decoding);
// The table handed over. Throws std::logic_error when none was.
const QtDecoding& qtDecoding();

// The failure thrown again as what it was: FileError, std::bad_alloc or std::runtime_error.
[[noreturn]] void throwAgain(const DecodingFailure& failure);

// The value, or its failure thrown again.
template <class T>
T taken(Decoded<T>&& decoded)
{
    if (decoded.failure)
        throwAgain(*decoded.failure);
    return std::move(decoded.value);
}

// The rows of picture file ("-" for standard input) decoded by Qt. Throws FileError naming it.
std::unique_ptr<RowSource> decodedRows(const QString& file, bool keepAlpha);
// The frames of picture file ("-" for standard input) decoded by Qt. Throws FileError naming it.
std::unique_ptr<DecodedFrames> decodedFrames(const QString& file);
// The colour table of an 8-bit indexed picture, through the table: a PictureTableReader.
Palette decodedPicturePalette(QByteArrayView bytes, const QString& file);

}  // namespace palshift
