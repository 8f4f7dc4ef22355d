#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace palshift {

// A perfect hash from up to 256 colours (24-bit keys) to a byte each: one multiply, one table read
// and one compare per look-up, from a table of 32 KiB for nearly every palette, of which the
// colours' look-ups touch one cache line each at most.
class ColourHash {
public:
    // keys[i] maps to values[i]; of a key given twice the first stays. std::invalid_argument for
    // more than 256 keys, sizes that differ, or a key above 0xFFFFFF.
    ColourHash(std::span<const std::uint32_t> keys, std::span<const std::uint8_t> values);

    // The slot a key would be in: its value in the top byte, and the key in the rest when present.
    std::uint32_t slot(std::uint32_t key) const { return slots_[(key * multiplier_) >> shift_]; }
    static bool holds(std::uint32_t slot, std::uint32_t key) { return (slot & 0xFFFFFFu) == key; }

    // The value of key, or -1 when it is not among the keys (also for any key above 0xFFFFFF).
    int find(std::uint32_t key) const
    {
        const std::uint32_t found = slot(key);
        return holds(found, key) ? static_cast<int>(found >> 24) : -1;
    }

private:
    std::vector<std::uint32_t> slots_;
    std::uint32_t multiplier_ = 1;
    int shift_ = 32;
};

}  // namespace palshift
