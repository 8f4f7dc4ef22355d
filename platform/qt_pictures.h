#pragma once

#include "convert/conversion_rules.h"
#include "convert/palette.h"
#include "convert/result_held.h"
#include "convert/target_picture.h"
#include "pictures/row_source.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

namespace palshift {

// What the conversion takes from Qt GUI: decoding a picture whole with Qt's image readers (and the
// PCX reader, which gives a QImage). Everything else converts without Qt GUI. The window and the
// tests link these functions (qt_pictures.cpp); the command line loads them with the libraries of
// Qt GUI only for a picture or palette that needs them (qt_pictures_loader.cpp), so that a
// conversion of the pictures the streaming readers take starts without those libraries.

// The rows of a picture decoded whole (loadPicture). Throws FileError.
std::unique_ptr<RowSource> openDecodedRows(const QString& file);

// convertWithRules over the picture decoded whole. Throws FileError and UnmatchedColoursError.
TargetPicture convertDecodedWithRules(const QString& file, const Palette& source, const Palette& target,
                                      const ConversionRules& rules);

// The most memory a conversion of the picture decoded whole holds at once, from its header read
// without decoding; 0 when the header tells nothing (the loading then says what is wrong).
qint64 estimatedDecodedPeakBytes(const QString& picture, ResultHeld held);

// readPicturePalette (palettes/palette_readers.h) is the fourth.

// The four, as the module of Qt GUI's uses gives them to the command line.
struct QtPictureFunctions {
    std::unique_ptr<RowSource> (*openRows)(const QString& file);
    TargetPicture (*convertWithRules)(const QString& file, const Palette& source, const Palette& target,
                                      const ConversionRules& rules);
    qint64 (*estimatedPeakBytes)(const QString& picture, ResultHeld held);
    Palette (*readPalette)(QByteArrayView bytes, const QString& file);
};

}  // namespace palshift

// The module's one entry: its functions. C linkage, to be found by name.
#define PALSHIFT_QT_PICTURES_ENTRY "palshift_qt_pictures"
extern "C" const palshift::QtPictureFunctions* palshift_qt_pictures();
