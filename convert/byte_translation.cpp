#include "convert/byte_translation.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace palshift {

void translateBytesScalar(const ByteTable& table, std::span<const std::uint8_t> in, std::uint8_t* out)
{
    for (std::size_t x = 0; x < in.size(); ++x)
        out[x] = table[in[x]];
}

#if defined(__x86_64__) || defined(__i386__)

// The table as sixteen 16-byte shuffles. Shuffle i takes the bytes from 16 i to 16 i + 15: after
// subtracting 16 i, those are 0 to 15 and every other byte is 16 or more, which the saturating
// add of 0x70 pushes to 0x80 and above, where a shuffle gives 0. The sixteen results are or-ed.
__attribute__((target("avx2"))) void translateBytesAvx2(const ByteTable& table, std::span<const std::uint8_t> in,
                                                        std::uint8_t* out)
{
    __m256i parts[16];
    for (int i = 0; i < 16; ++i)
        parts[i] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table.data() + 16 * i)));
    const __m256i sixteen = _mm256_set1_epi8(16);
    const __m256i toShuffleRange = _mm256_set1_epi8(0x70);
    std::size_t x = 0;
    for (; x + 32 <= in.size(); x += 32) {
        __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in.data() + x));
        __m256i result = _mm256_shuffle_epi8(parts[0], _mm256_adds_epu8(bytes, toShuffleRange));
        for (int i = 1; i < 16; ++i) {
            bytes = _mm256_sub_epi8(bytes, sixteen);
            result = _mm256_or_si256(result, _mm256_shuffle_epi8(parts[i], _mm256_adds_epu8(bytes, toShuffleRange)));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), result);
    }
    translateBytesScalar(table, in.subspan(x), out + x);
}

bool cpuHasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#else

// No processor but x86 has AVX2; the scalar form stands in where a caller does not ask first.
void translateBytesAvx2(const ByteTable& table, std::span<const std::uint8_t> in, std::uint8_t* out)
{
    translateBytesScalar(table, in, out);
}

bool cpuHasAvx2()
{
    return false;
}

#endif

void translateBytes(const ByteTable& table, std::span<const std::uint8_t> in, std::uint8_t* out)
{
    if (cpuHasAvx2())
        translateBytesAvx2(table, in, out);
    else
        translateBytesScalar(table, in, out);
}

}  // namespace palshift
