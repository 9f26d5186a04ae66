#pragma once
// ByteSum: the unsigned 32-bit sum of all bytes, wrapping modulo 2^32. It checks
// command records, the update-file trailer, transfer data and settings blocks.
#include <cstddef>
#include <cstdint>

namespace brindle {

inline uint32_t ByteSum(const uint8_t* data, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum += data[i];
  return sum;
}

}  // namespace brindle
