#include "convert/byte_translation.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace palshift {

namespace {

using Translation = void (*)(const ByteTable&, std::span<const std::uint8_t>, std::uint8_t*);

// Every byte value at every position of a 32-byte block, then lengths that end at each place of a
// block; nothing past the input's length is written.
void expectEveryByteTranslated(Translation translate)
{
    ByteTable table{};
    for (std::size_t value = 0; value < 256; ++value)
        table[value] = static_cast<std::uint8_t>(value * 167 + 29);  // every value once, none at its own place
    std::vector<std::uint8_t> in(256 * 33);
    for (std::size_t x = 0; x < in.size(); ++x)
        in[x] = static_cast<std::uint8_t>(x / 33 + x);
    std::mt19937 random(5);
    for (std::size_t length : {in.size(), std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{32},
                               std::size_t{33}, std::size_t{63}, std::size_t{64}, std::size_t{65}, std::size_t{4097}}) {
        const std::size_t start = random() % 7;
        length = std::min(length, in.size() - start);
        std::vector<std::uint8_t> out(length + 40, 0xEE);
        translate(table, std::span(in).subspan(start, length), out.data());
        std::size_t wrong = 0;
        for (std::size_t x = 0; x < length; ++x)
            wrong += out[x] != table[in[start + x]];
        for (std::size_t x = length; x < out.size(); ++x)
            wrong += out[x] != 0xEE;
        EXPECT_EQ(wrong, 0u) << "length " << length;
    }
}

}  // namespace

TEST(ByteTranslation, GivesEachByteItsTableEntry)
{
    expectEveryByteTranslated(translateBytesScalar);
    expectEveryByteTranslated(translateBytes);
}

TEST(ByteTranslation, Avx2GivesEachByteItsTableEntry)
{
    if (!cpuHasAvx2())
        GTEST_SKIP() << "this processor has no AVX2";
    expectEveryByteTranslated(translateBytesAvx2);
}

}  // namespace palshift
