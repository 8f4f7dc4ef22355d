#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace palshift {

using ByteTable = std::array<std::uint8_t, 256>;

// out[x] = table[in[x]] for every byte of in; out holds at least as many bytes. With AVX2 where
// the processor has it: a byte look-up is the whole conversion of an 8-bit indexed picture.
void translateBytes(const ByteTable& table, std::span<const std::uint8_t> in, std::uint8_t* out);

// The two forms, apart for the tests; translateBytesAvx2 only where cpuHasAvx2().
void translateBytesScalar(const ByteTable& table, std::span<const std::uint8_t> in, std::uint8_t* out);
void translateBytesAvx2(const ByteTable& table, std::span<const std::uint8_t> in, std::uint8_t* out);
bool cpuHasAvx2();

}  // namespace palshift
