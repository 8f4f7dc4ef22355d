#include "pictures/png_writer.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <stdexcept>
#include <string>
#include <utility>

namespace palshift {

// libpng reports a failure by calling back and never returning, so a callback keeps the failure
// and jumps back to the setjmp of the call that was running, which rethrows it. The functions
// that call setjmp hold no object with a destructor, so the jump skips none.
struct PngWriter::Callbacks {
    static PngWriter& writer(png_structp png) { return *static_cast<PngWriter*>(png_get_io_ptr(png)); }

    static void write(png_structp png, png_bytep data, png_size_t size)
    {
        PngWriter& self = writer(png);
        try {
            // libpng writes a chunk in pieces, the palette three bytes at a time: they go out together.
            self.pending_.insert(self.pending_.end(), data, data + size);
            if (self.pending_.size() >= pendingBytes)
                self.writePending();
        } catch (...) {
            self.failure_ = std::current_exception();
            png_longjmp(png, 1);
        }
    }

    static void flush(png_structp) {}

    static void error(png_structp png, png_const_charp message)
    {
        PngWriter& self = *static_cast<PngWriter*>(png_get_error_ptr(png));
        if (!self.failure_)
            self.failure_ = std::make_exception_ptr(std::runtime_error(std::string("PNG: ") + message));
        png_longjmp(png, 1);
    }

    static void warning(png_structp, png_const_charp) {}
};

namespace {

png_structp pngOf(void* png) { return static_cast<png_structp>(png); }
png_infop infoOf(void* info) { return static_cast<png_infop>(info); }

}  // namespace

PngWriter::PngWriter(std::int32_t width, std::int32_t height, const Palette& palette,
                     std::optional<std::uint8_t> transparentIndex, ByteSink& sink)
    : width_(width), height_(height), sink_(sink)
{
    if (width < 1 || height < 1)
        throw std::out_of_range("a PNG file cannot hold a picture of " + std::to_string(width) + " x "
                                + std::to_string(height) + " pixels");
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, &Callbacks::error, &Callbacks::warning);
    if (png_)
        info_ = png_create_info_struct(pngOf(png_));
    if (!png_ || !info_) {
        destroy();
        throw std::bad_alloc();
    }

    png_color colours[256];
    for (std::size_t entry = 0; entry < palette.size(); ++entry)
        colours[entry] = {palette[entry].red, palette[entry].green, palette[entry].blue};
    png_byte alpha[256];
    std::fill(std::begin(alpha), std::end(alpha), png_byte{255});
    if (transparentIndex)
        alpha[*transparentIndex] = 0;

    png_structp png = pngOf(png_);
    png_infop info = infoOf(info_);
    if (setjmp(png_jmpbuf(png))) {
        destroy();  // the destructor of an object never made does not run
        rethrowFailure();
    }
    png_set_write_fn(png, this, &Callbacks::write, &Callbacks::flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, colours, 256);
    // tRNS lists entries from 0 up to the last one that is not opaque.
    if (transparentIndex)
        png_set_tRNS(png, info, alpha, *transparentIndex + 1, nullptr);
    // Filters rarely help palette indices; the format's authors advise none for them.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
}

PngWriter::~PngWriter()
{
    destroy();
}

void PngWriter::destroy()
{
    png_structp png = pngOf(png_);
    png_infop info = infoOf(info_);
    png_destroy_write_struct(&png, &info);
    png_ = nullptr;
    info_ = nullptr;
}

void PngWriter::checkUsable() const
{
    if (broken_)
        throw std::logic_error("the PNG writer was used after a failed write");
}

void PngWriter::writeRow(std::span<const std::uint8_t> indices)
{
    if (indices.size() != static_cast<std::size_t>(width_) || rowsWritten_ >= height_)
        throw std::out_of_range("PNG row " + std::to_string(rowsWritten_) + " of " + std::to_string(height_)
                                + " with " + std::to_string(indices.size()) + " pixels; the picture is "
                                + std::to_string(width_) + " wide");
    checkUsable();
    png_structp png = pngOf(png_);
    if (setjmp(png_jmpbuf(png)))
        rethrowFailure();
    png_write_row(png, indices.data());
    ++rowsWritten_;
}

void PngWriter::finish()
{
    if (rowsWritten_ != height_)
        throw std::out_of_range("PNG picture finished after " + std::to_string(rowsWritten_) + " of "
                                + std::to_string(height_) + " rows");
    checkUsable();
    png_structp png = pngOf(png_);
    if (setjmp(png_jmpbuf(png)))
        rethrowFailure();
    png_write_end(png, infoOf(info_));
    writePending();
}

void PngWriter::writePending()
{
    sink_(pending_);
    pending_.clear();
}

void PngWriter::rethrowFailure()
{
    broken_ = true;
    std::exception_ptr failure = std::exchange(failure_, nullptr);
    std::rethrow_exception(failure ? failure : std::make_exception_ptr(std::runtime_error("PNG: write failed")));
}

}  // namespace palshift
