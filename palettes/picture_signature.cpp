#include "palettes/picture_signature.h"

namespace palshift {

bool looksLikePcx(QByteArrayView bytes)
{
    if (bytes.size() < pcxHeaderBytes || bytes[0] != 0x0A)
        return false;
    const int version = bytes[1], encoding = bytes[2], bits = bytes[3];
    return (version == 0 || version == 2 || version == 3 || version == 4 || version == 5)
           && (encoding == 0 || encoding == 1) && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

bool looksLikePicture(QByteArrayView bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")
           || bytes.startsWith("BM") || looksLikePcx(bytes);
}

}  // namespace palshift
