#include "palettes/palette_readers.h"
#include "platform/qt_pictures.h"

// The module that the command line loads for what needs Qt GUI.

extern "C" const palshift::QtPictureFunctions* palshift_qt_pictures()
{
    static constexpr palshift::QtPictureFunctions functions{palshift::openDecodedRows, palshift::convertDecodedWithRules,
                                                            palshift::estimatedDecodedPeakBytes,
                                                            palshift::readPicturePalette};
    return &functions;
}
