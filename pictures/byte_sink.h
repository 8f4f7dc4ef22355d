#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace palshift {

// Where a writer puts the bytes of a file, in order: an atomic file, a buffer, standard output.
// A sink that cannot take them throws, and the writer passes that on.
using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

}  // namespace palshift
