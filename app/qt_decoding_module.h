#pragma once

#include "pictures/qt_decoding.h"

// The command line's module of Qt GUI's decoding exports this one function, which gives its table
// (linkedQtDecoding()). The module links Qt GUI; the command line loads it only for a picture that
// needs it, so that a picture read without Qt GUI starts no faster than Qt GUI's libraries load.
#define PALSHIFT_QT_DECODING_ENTRY "palshift_qt_decoding"

extern "C" __attribute__((visibility("default"))) const palshift::QtDecoding* palshift_qt_decoding();

namespace palshift {

// The table that the command line hands over: each function loads the module of Qt GUI's decoding
// on its first call, from the folder of the module that holds this function, then calls the
// module's. Where the module cannot be loaded, each gives that failure, naming the module.
const QtDecoding& qtDecodingLoadedOnUse();

}  // namespace palshift
