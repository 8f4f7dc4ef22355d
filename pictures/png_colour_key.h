#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace palshift {

// The tRNS colour key of a grey or RGB PNG, at the file's bit depth (grey in all three channels).
struct PngColourKey {
    bool grey;
    int bitDepth;
    quint16 red, green, blue;
};

// A grey or RGB PNG with a colour key: the key, and the file's bytes without its tRNS chunk.
struct KeyedPng {
    PngColourKey key;
    QByteArray withoutKey;
};

// Qt's decoder blacks out a key's colour in some colour types and depths; decoding the bytes
// without the key and then applying it keeps the stored colour in all of them.
std::optional<KeyedPng> splitColourKey(QByteArrayView bytes);

// picture as Qt decodes KeyedPng::withoutKey, its key pixels given alpha 0 and their colour kept.
// Pixels are compared at the file's depth; 16-bit pictures stay 16-bit. Null when out of memory.
QImage applyColourKey(const QImage& picture, const PngColourKey& key);

}  // namespace palshift
