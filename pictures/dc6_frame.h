#pragma once

#include <cstdint>
#include <vector>

namespace palshift {

// One frame of a DC6 sprite: palette entries, rows top-down, entry 0 transparent.
struct Dc6Frame {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
    std::vector<std::uint8_t> indices;  // width * height

    friend bool operator==(const Dc6Frame&, const Dc6Frame&) = default;
};

// A DC6 sprite's frames, direction by direction, each direction framesPerDirection long.
struct Dc6Sprite {
    std::uint32_t directions = 0;
    std::uint32_t framesPerDirection = 0;
    std::vector<Dc6Frame> frames;
};

}  // namespace palshift
