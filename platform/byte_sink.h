#pragma once

#include <cstdint>
#include <span>

namespace palshift {

// Where a written file's bytes go: a file being saved, a pipe, or memory.
class ByteSink {
public:
    virtual ~ByteSink() = default;

    // False for a pipe: then each write must start where the bytes so far end.
    virtual bool canSeek() const = 0;
    // Writes bytes at offset from the start. Throws FileError, naming the file and the system's
    // reason, for a failed or short write.
    virtual void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace palshift
