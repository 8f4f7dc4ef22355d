#include "pictures/picture_frames.h"

#include "pictures/picture_loading.h"
#include "platform/file_error.h"

#include <algorithm>

namespace palshift {

PictureFrames::PictureFrames(const QByteArray& bytes, const QString& name) : file_(name), bytes_(bytes)
{
    buffer_.setBuffer(&bytes_);
    buffer_.open(QIODevice::ReadOnly);
    reader_.setDevice(&buffer_);
    if (reader_.supportsAnimation())
        count_ = std::max(reader_.imageCount(), 1);
}

QImage PictureFrames::next()
{
    if (read_ >= count_)
        throw FileError(file_, QStringLiteral("%1: no frame %2; it has %3").arg(file_).arg(read_ + 1).arg(count_));
    if (read_++ == 0)
        return decodePicture(bytes_, file_);
    // The reader goes through the frames in order, the first one again.
    QImage frame;
    for (; decoded_ < read_; ++decoded_)
        if (!reader_.read(&frame))
            throw FileError(file_, QStringLiteral("Cannot decode %1: frame %2: %3")
                                       .arg(file_).arg(decoded_ + 1).arg(reader_.errorString()));
    return frame;
}

}  // namespace palshift
