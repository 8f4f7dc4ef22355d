#pragma once

#include "platform/regular_file.h"

#include <QByteArray>

#include <optional>

namespace palshift {

// A file's bytes from its start, read in pieces only as far as a walk over them asks, and never
// past most bytes: all of them, or (Held::Recent) only the last piece and the few bytes a walk
// looks back at.
class PictureHead {
public:
    enum class Held { All, Recent };
    PictureHead(RegularFile& file, qint64 most, Held held = Held::All) : file_(file), most_(most), held_(held) {}
    // Whether the file holds at least end bytes, which are then at hand. Throws FileError.
    bool reach(qint64 end) { return end <= base_ + bytes_.size() || readTo(end); }
    // The byte at offset, once reach() has said it is there (and, for Held::Recent, offset is at
    // most lookBack before what reach() was asked last).
    quint8 at(qint64 offset) const { return quint8(bytes_[qsizetype(offset - base_)]); }
    // What is held, from the file's start for Held::All, to be taken over.
    QByteArray& bytes() { return bytes_; }

    static constexpr qint64 lookBack = 64;

private:
    bool readTo(qint64 end);

    RegularFile& file_;
    qint64 most_;
    Held held_;
    QByteArray bytes_;
    qint64 base_ = 0;  // the offset of bytes_'s first byte
    bool ended_ = false;
};

// Where the picture in head ends, found by walking its structure: a GIF's trailer, a PNG's IEND
// chunk, the end of an uncompressed BMP's pixels (with room for a colour table wherever the header
// puts it), a JPEG's EOI marker. Nothing for other formats, or where the file ends first or the
// walk meets what the format does not allow: the decoder then takes the whole file.
std::optional<qint64> pictureEnd(PictureHead& head);

}  // namespace palshift
