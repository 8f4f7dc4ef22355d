#include "pictures/qt_decoding.h"

#include "pictures/picture_file.h"
#include "platform/file_error.h"

#include <new>
#include <stdexcept>

namespace palshift {

namespace {

const QtDecoding* handedOver = nullptr;  // set once at start-up, before any thread

}  // namespace

void handOverQtDecoding(const QtDecoding& decoding)
{
    handedOver = &decoding;
}

const QtDecoding& qtDecoding()
{
    if (!handedOver)
        throw std::logic_error("Qt GUI's decoding was not handed over at start-up");
    return *handedOver;
}

void throwAgain(const DecodingFailure& failure)
{
    switch (failure.kind) {
    case DecodingFailure::Kind::File:
        throw FileError(failure.file, failure.message);
    case DecodingFailure::Kind::OutOfMemory:
        throw std::bad_alloc();
    case DecodingFailure::Kind::Other:
        break;
    }
    throw std::runtime_error(failure.message.toStdString());
}

std::unique_ptr<RowSource> decodedRows(const QString& file, bool keepAlpha)
{
    return taken(qtDecoding().rows(readPictureFile(file), pictureName(file), keepAlpha));
}

std::unique_ptr<DecodedFrames> decodedFrames(const QString& file)
{
    return taken(qtDecoding().frames(readPictureFile(file), pictureName(file)));
}

Palette decodedPicturePalette(QByteArrayView bytes, const QString& file)
{
    return taken(qtDecoding().palette(bytes, file));
}

}  // namespace palshift
