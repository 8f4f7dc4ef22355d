#include "convert/colour_hash.h"

#include <random>
#include <stdexcept>

namespace palshift {

namespace {

struct Trial {
    int bits;
    int multipliers;
};

// Smaller tables first. With 256 keys about one multiplier in 50 is perfect for 2^13 slots and
// nearly every one for 2^16; a failed try ends at its first collision, after about 110 keys, so
// the search takes about 0.1 ms. (2^12 slots, one in 3,000, took 0.5 to 1 ms, more than a small
// conversion's whole look-up, and looked up no faster: the look-ups of a picture touch at most
// one cache line per colour whatever the table's size.)
constexpr Trial trials[] = {{13, 1024}, {14, 1024}, {15, 1024}, {16, 4096}, {20, 4096}};

}  // namespace

ColourHash::ColourHash(std::span<const std::uint32_t> keys, std::span<const std::uint8_t> values)
{
    if (keys.size() != values.size() || keys.size() > 256)
        throw std::invalid_argument("a colour hash takes up to 256 keys, each with one value");
    std::vector<std::uint32_t> distinct;
    std::vector<std::uint8_t> distinctValues;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] > 0xFFFFFFu)
            throw std::invalid_argument("a colour hash takes 24-bit keys");
        bool seen = false;
        for (std::uint32_t key : distinct)
            seen = seen || key == keys[i];
        if (!seen) {
            distinct.push_back(keys[i]);
            distinctValues.push_back(values[i]);
        }
    }

    std::mt19937 random(0x5EED);  // fixed, so that a palette always gets the same table
    std::vector<std::uint32_t> owner;  // per slot: its key's position, if tried lately
    std::vector<std::uint32_t> tried;  // per slot: the try that last wrote owner
    std::uint32_t tries = 0;
    for (const Trial trial : trials) {
        const std::size_t size = std::size_t{1} << trial.bits;
        const int shift = 32 - trial.bits;
        owner.assign(size, 0);
        tried.assign(size, 0);
        for (int attempt = 0; attempt < trial.multipliers; ++attempt) {
            const std::uint32_t multiplier = static_cast<std::uint32_t>(random()) | 1u;
            ++tries;
            bool perfect = true;
            for (std::uint32_t i = 0; i < distinct.size() && perfect; ++i) {
                const std::size_t s = (distinct[i] * multiplier) >> shift;
                perfect = tried[s] != tries;
                tried[s] = tries;
                owner[s] = i;
            }
            if (!perfect)
                continue;
            multiplier_ = multiplier;
            shift_ = shift;
            slots_.assign(size, 0);
            for (std::size_t s = 0; s < size; ++s) {
                if (tried[s] == tries) {
                    slots_[s] = distinct[owner[s]] | std::uint32_t{distinctValues[owner[s]]} << 24;
                    continue;
                }
                // An empty slot holds a key that hashes elsewhere, so that no key finds it.
                std::uint32_t stranger = 0;
                while (((stranger * multiplier) >> shift) == s)
                    ++stranger;
                slots_[s] = stranger;
            }
            return;
        }
    }
    throw std::runtime_error("no perfect hash was found for the palette");
}

}  // namespace palshift
