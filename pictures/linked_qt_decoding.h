#pragma once

#include "pictures/qt_decoding.h"

namespace palshift {

// The table of Qt GUI's decoding made of the functions linked with it, each failure caught and
// given as a value: handed over by the window, and by the command line's module of Qt GUI.
const QtDecoding& linkedQtDecoding();

}  // namespace palshift
