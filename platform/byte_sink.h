#pragma once

#include <cstdint>
#include <span>

namespace palshift {

// Where a written file's bytes go: a file being saved, a pipe, or memory. A sink that cannot take
// them throws, and the writer passes that on.
class ByteSink {
public:
    virtual ~ByteSink() = default;

    // False for a pipe: then each write must start where the bytes so far end.
    virtual bool canSeek() const = 0;
    // Writes bytes at offset from the start. Throws FileError, naming the file and the system's
    // reason, for a failed or short write.
    virtual void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
};

// Writes to a sink from its start, each write where the last ended: how writers that never seek
// (PNG, PCX) use one.
class ByteAppender {
public:
    explicit ByteAppender(ByteSink& sink) : sink_(&sink) {}

    void operator()(std::span<const std::uint8_t> bytes)
    {
        sink_->writeAt(written_, bytes);
        written_ += bytes.size();
    }

private:
    ByteSink* sink_;
    std::uint64_t written_ = 0;
};

}  // namespace palshift
