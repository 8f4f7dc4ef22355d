#pragma once

#include <QImage>

namespace palshift {

// picture converted to format on the calling thread. Qt shares a large conversion out to its
// thread pool and waits for ever when no thread can be started (under a low `ulimit -v`, say);
// bands small enough for Qt to convert where it is called never wait. Throws std::bad_alloc when
// the result cannot be allocated. To Indexed8 only from a picture with a colour table: Qt would
// choose each band's table apart.
QImage convertedHere(const QImage& picture, QImage::Format format);

}  // namespace palshift
