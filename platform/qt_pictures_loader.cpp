#include "platform/qt_pictures.h"

#include "palettes/palette_readers.h"
#include "platform/file_error.h"
#include "platform/native_path.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <string>

// The command line's side of the seam: the first call loads the module of Qt GUI's uses from
// beside this module, and each calls the module's own.

namespace palshift {

namespace {

// Throws FileError naming file, which needed the module, when the module cannot be loaded; the
// next call tries again.
const QtPictureFunctions& loaded(const QString& file)
{
    static std::mutex loading;
    static const QtPictureFunctions* functions = nullptr;
    const std::lock_guard lock(loading);
    if (functions)
        return *functions;
    Dl_info self{};
    const bool found = dladdr(reinterpret_cast<const void*>(&loaded), &self) != 0 && self.dli_fname;
    const std::string module =
        found ? (std::filesystem::path(self.dli_fname).parent_path() / PALSHIFT_QT_PICTURES_MODULE).string()
              : PALSHIFT_QT_PICTURES_MODULE;
    void* const handle = found ? dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL) : nullptr;
    const auto entry =
        handle ? reinterpret_cast<decltype(&palshift_qt_pictures)>(dlsym(handle, PALSHIFT_QT_PICTURES_ENTRY)) : nullptr;
    if (!entry)
        throw FileError(file, QStringLiteral("Cannot read %1: cannot load %2: %3")
                                  .arg(file, pathFromNative(QByteArray::fromStdString(module)),
                                       found ? QString::fromLocal8Bit(dlerror())
                                             : QStringLiteral("the folder of the program's modules is unknown")));
    functions = entry();
    return *functions;
}

}  // namespace

std::unique_ptr<RowSource> openDecodedRows(const QString& file)
{
    return loaded(file).openRows(file);
}

TargetPicture convertDecodedWithRules(const QString& file, const Palette& source, const Palette& target,
                                      const ConversionRules& rules)
{
    return loaded(file).convertWithRules(file, source, target, rules);
}

qint64 estimatedDecodedPeakBytes(const QString& picture, ResultHeld held)
{
    return loaded(picture).estimatedPeakBytes(picture, held);
}

Palette readPicturePalette(QByteArrayView bytes, const QString& file)
{
    return loaded(file).readPalette(bytes, file);
}

}  // namespace palshift
