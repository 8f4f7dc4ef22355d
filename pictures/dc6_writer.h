#pragma once

#include "pictures/dc6_frame.h"
#include "platform/byte_sink.h"

#include <cstdint>
#include <vector>

namespace palshift {

// Writes a DC6 sprite (the second game's frames file) through a byte sink, one frame at a time in
// file order. Entry 0 of a frame is transparent and written as skipped pixels, so no opaque pixel
// can take it. A sink that can seek gets each frame as it comes and the header and frame pointers
// on finish(); any other gets the whole file on finish().
class Dc6Writer {
public:
    // std::out_of_range for no directions or no frames.
    Dc6Writer(std::uint32_t directions, std::uint32_t framesPerDirection, ByteSink& sink);

    // std::out_of_range for indices that are not width * height, a side below 0, or one frame too
    // many; std::overflow_error when the file would pass 4 GiB.
    void writeFrame(const Dc6Frame& frame);
    // std::out_of_range unless every frame has been written.
    void finish();

private:
    ByteSink& sink_;
    std::uint32_t directions_;
    std::uint32_t framesPerDirection_;
    std::vector<std::uint32_t> pointers_;
    std::uint64_t end_;
    std::vector<std::uint8_t> pending_;  // for a sink that cannot seek: every frame so far
};

// The encoded pixels of frame: rows from the bottom, skip runs for entry 0, 0x80 after each row.
std::vector<std::uint8_t> encodeDc6Pixels(const Dc6Frame& frame);

}  // namespace palshift
