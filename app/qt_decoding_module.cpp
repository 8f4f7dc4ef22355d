#include "app/qt_decoding_module.h"

#include "platform/native_path.h"

#include <dlfcn.h>

#include <mutex>

namespace palshift {

namespace {

struct Loaded {
    const QtDecoding* table = nullptr;
    QString failure;
};

const Loaded& loaded()
{
    static std::once_flag once;
    static Loaded module;
    std::call_once(once, [] {
        Dl_info self{};
        if (dladdr(reinterpret_cast<const void*>(&qtDecodingLoadedOnUse), &self) == 0 || !self.dli_fname) {
            module.failure = QStringLiteral("Cannot find the folder of Qt GUI's decoding module");
            return;
        }
        const QByteArray own(self.dli_fname);  // in its own bytes, whatever their encoding
        const QByteArray path = own.left(own.lastIndexOf('/') + 1) + PALSHIFT_QT_DECODING_MODULE;
        void* const handle = dlopen(path.constData(), RTLD_LAZY | RTLD_LOCAL);
        const auto entry = handle ? reinterpret_cast<decltype(&palshift_qt_decoding)>(dlsym(handle, PALSHIFT_QT_DECODING_ENTRY))
                                  : nullptr;
        if (entry)
            module.table = entry();
        else
            module.failure = QStringLiteral("Cannot load %1: %2").arg(pathFromNative(path), QString::fromLocal8Bit(dlerror()));
    });
    return module;
}

template <class T>
Decoded<T> unloaded()
{
    return {{}, DecodingFailure{DecodingFailure::Kind::Other, {}, loaded().failure}};
}

Decoded<std::unique_ptr<RowSource>> rows(const QByteArray& bytes, const QString& name, bool keepAlpha)
{
    const QtDecoding* const table = loaded().table;
    return table ? table->rows(bytes, name, keepAlpha) : unloaded<std::unique_ptr<RowSource>>();
}

Decoded<std::unique_ptr<DecodedFrames>> frames(const QByteArray& bytes, const QString& name)
{
    const QtDecoding* const table = loaded().table;
    return table ? table->frames(bytes, name) : unloaded<std::unique_ptr<DecodedFrames>>();
}

Decoded<Palette> palette(QByteArrayView bytes, const QString& file)
{
    const QtDecoding* const table = loaded().table;
    return table ? table->palette(bytes, file) : unloaded<Palette>();
}

qint64 peakBytes(QIODevice& device, ResultHeld held)
{
    const QtDecoding* const table = loaded().table;
    return table ? table->peakBytes(device, held) : 0;
}

constexpr QtDecoding loadedOnUse{rows, frames, palette, peakBytes};

}  // namespace

const QtDecoding& qtDecodingLoadedOnUse()
{
    return loadedOnUse;
}

}  // namespace palshift
