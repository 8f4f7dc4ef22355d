#pragma once

#include <QByteArrayView>
#include <QSize>

#include <optional>

namespace palshift {

// The largest picture an MNG's header chunks (MHDR, IHDR, JHDR, BASI) declare, which Qt's reader does
// not tell before decoding: its decoder allocates what they say. Nothing for bytes that are no MNG or
// declare no size.
std::optional<QSize> mngDeclaredSize(QByteArrayView bytes);

}  // namespace palshift
