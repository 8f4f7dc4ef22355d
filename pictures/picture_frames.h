#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QString>

namespace palshift {

// The frames of a picture file, for a sprite: the one picture that loadPicture() gives, or each
// frame of an animated picture (GIF, ...) in order. Throws FileError naming the file.
class PictureFrames {
public:
    explicit PictureFrames(const QString& file);

    int count() const { return count_; }
    // The next frame, as loadPicture() decodes the first, with its checks.
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
