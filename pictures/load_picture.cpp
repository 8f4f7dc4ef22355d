#include "pictures/picture_file.h"
#include "pictures/picture_loading.h"

namespace palshift {

// Apart from the decoding, so that a module holding Qt GUI's decoding links no reading of files
// or of standard input, whose state belongs to the program that loads it.
QImage loadPicture(const QString& file)
{
    return decodePicture(readPictureFile(file), pictureName(file));
}

}  // namespace palshift
