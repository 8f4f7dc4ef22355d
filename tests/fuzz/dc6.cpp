// DC6 files of any content through the program's own reader: each is read or refused with a
// FileError, never anything else, and what is read is written and read back the same.

#include "fuzz_start.h"
#include "pictures/dc6_reader.h"
#include "pictures/dc6_writer.h"
#include "platform/byte_sink.h"
#include "platform/file_error.h"

#include <cstdlib>

using namespace palshift;

namespace {

// The written file, in memory, as a pipe takes it.
struct MemorySink final : ByteSink {
    bool canSeek() const override { return false; }
    void writeAt(std::uint64_t, std::span<const std::uint8_t> bytes) override
    {
        file.append(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }
    QByteArray file;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Dc6Sprite sprite;
    try {
        sprite = readDc6(QByteArrayView(data, static_cast<qsizetype>(size)), QStringLiteral("fuzz.dc6"));
    } catch (const FileError&) {
        return 0;
    }
    if (sprite.frames.size() != std::size_t{sprite.directions} * sprite.framesPerDirection)
        std::abort();
    // What was read is written and read back the same, for sprites small enough to take no time.
    std::size_t pixels = 0;
    for (const Dc6Frame& frame : sprite.frames)
        pixels += frame.indices.size();
    if (pixels > std::size_t{1} << 22)
        return 0;
    MemorySink sink;
    Dc6Writer writer(sprite.directions, sprite.framesPerDirection, sink);
    for (const Dc6Frame& frame : sprite.frames)
        writer.writeFrame(frame);
    writer.finish();
    if (readDc6(sink.file, QStringLiteral("again.dc6")).frames != sprite.frames)
        std::abort();
    return 0;
}
