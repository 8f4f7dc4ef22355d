#include <QtGlobal>

#include <dlfcn.h>
#include <png.h>

// Qt's PNG reader gives libpng a warning function but no error function, so libpng prints its errors
// to stderr by itself, naming no file. This definition, exported by the program and so found before
// libpng's own, puts an error function in where none is given: the error goes through Qt's message
// handler, which names the picture being decoded, and then ends the decoding as libpng's would.

namespace {

[[noreturn]] void reportPngError(png_structp png, png_const_charp message)
{
    qWarning("libpng error: %s", message);
    png_longjmp(png, 1);
}

}  // namespace

extern "C" void png_set_error_fn(png_structrp png, png_voidp errorPointer, png_error_ptr errorFunction,
                                 png_error_ptr warningFunction)
{
    using SetErrorFunctions = void (*)(png_structrp, png_voidp, png_error_ptr, png_error_ptr);
    static const auto libpngOwn = reinterpret_cast<SetErrorFunctions>(dlsym(RTLD_NEXT, "png_set_error_fn"));
    if (!libpngOwn)  // libpng's own is out of reach: its default functions report and end the decoding
        return;
    libpngOwn(png, errorPointer, errorFunction ? errorFunction : reportPngError, warningFunction);
}
