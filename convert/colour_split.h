#pragma once

namespace palshift {

// Splits a colour value (red + 256 * green + 65536 * blue) into its channels the way the
// picture identification always has: remainder, then the whole part of value / 65536 read
// back from its seven-decimal text, then the rest / 256. Exact for 0..16777215; -1 gives
// red -1, green 0, blue 0. std::overflow_error when Formula does not round to a 32-bit integer.
void ConvertBack256(double Formula, double& Red, double& Green, double& Blue);

}  // namespace palshift
