#include "pictures/linked_qt_decoding.h"

#include "pictures/memory_estimate.h"
#include "pictures/palette_picture.h"
#include "pictures/picture_frames.h"
#include "pictures/picture_loading.h"
#include "pictures/qt_rows.h"
#include "platform/file_error.h"
#include "platform/native_path.h"

#include <exception>
#include <new>

namespace palshift {

namespace {

// What work gives, or what it threw as a value.
template <class T, class Work>
Decoded<T> caught(Work work) noexcept
{
    const auto failure = [](DecodingFailure::Kind kind, const QString& file, const char* what) {
        return Decoded<T>{{}, DecodingFailure{kind, file, pathFromNative(QByteArray(what))}};
    };
    try {
        return {work(), std::nullopt};
    } catch (const FileError& error) {
        return failure(DecodingFailure::Kind::File, error.file(), error.what());
    } catch (const std::bad_alloc& error) {
        return failure(DecodingFailure::Kind::OutOfMemory, {}, error.what());
    } catch (const std::exception& error) {
        return failure(DecodingFailure::Kind::Other, {}, error.what());
    } catch (...) {
        return failure(DecodingFailure::Kind::Other, {}, "an unknown failure while decoding");
    }
}

Decoded<std::unique_ptr<RowSource>> rows(const QByteArray& bytes, const QString& name, bool keepAlpha)
{
    return caught<std::unique_ptr<RowSource>>([&] {
        return std::make_unique<QtRows>(decodePicture(bytes, name), keepAlpha ? QtRows::Alpha::Kept : QtRows::Alpha::Ignored);
    });
}

class Frames final : public DecodedFrames {
public:
    Frames(const QByteArray& bytes, const QString& name) : frames_(bytes, name) {}
    int count() const override { return frames_.count(); }
    Decoded<std::unique_ptr<RowSource>> next() override
    {
        return caught<std::unique_ptr<RowSource>>([&] {
            return std::make_unique<QtRows>(frames_.next(), QtRows::Alpha::Kept);
        });
    }

private:
    PictureFrames frames_;
};

Decoded<std::unique_ptr<DecodedFrames>> frames(const QByteArray& bytes, const QString& name)
{
    return caught<std::unique_ptr<DecodedFrames>>([&] { return std::make_unique<Frames>(bytes, name); });
}

Decoded<Palette> palette(QByteArrayView bytes, const QString& file)
{
    return caught<Palette>([&] { return decodePicturePalette(bytes, file); });
}

qint64 peakBytes(QIODevice& device, ResultHeld held)
{
    const Decoded<qint64> peak = caught<qint64>([&] { return estimatedDecodedPeakBytes(device, held); });
    return peak.failure ? 0 : peak.value;
}

constexpr QtDecoding linked{rows, frames, palette, peakBytes};

}  // namespace

const QtDecoding& linkedQtDecoding()
{
    return linked;
}

}  // namespace palshift
