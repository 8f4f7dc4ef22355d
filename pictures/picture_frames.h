#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QString>

namespace palshift {

// The frames of a picture, for a sprite, from its bytes: the one picture that decodePicture() gives,
// or each frame of an animated picture (GIF, ...) in order. Errors name the picture as name.
class PictureFrames {
public:
    PictureFrames(const QByteArray& bytes, const QString& name);

    int count() const { return count_; }
    // The next frame, as decodePicture() decodes the first, with its checks. Throws FileError.
    QImage next();

private:
    QString file_;
    QByteArray bytes_;
    QBuffer buffer_;
    QImageReader reader_;
    int count_ = 1;
    int read_ = 0;
    int decoded_ = 0;  // by reader_
};

}  // namespace palshift
