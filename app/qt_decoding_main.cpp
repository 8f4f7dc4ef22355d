#include "app/qt_decoding_module.h"
#include "pictures/linked_qt_decoding.h"

const palshift::QtDecoding* palshift_qt_decoding()
{
    return &palshift::linkedQtDecoding();
}
