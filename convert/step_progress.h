#pragma once

#include <cstdint>
#include <functional>

namespace palshift {

// Told by a long step, after each row, how many of its rows are done. It may throw to stop the
// step, which then leaves its outputs half made: a caller that stops steps gives them copies.
// Empty by default: the steps then run as they always have.
using StepProgress = std::function<void(std::int64_t done, std::int64_t total)>;

}  // namespace palshift
