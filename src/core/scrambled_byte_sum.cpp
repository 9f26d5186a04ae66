#include "core/scrambled_byte_sum.h"

#include "core/byte_order.h"

namespace brindle {

// Works group by group on a 4-byte copy, so no copy of the whole data is made
// and the result cannot fail.
uint32_t ScrambledByteSum(const uint8_t* data, size_t length) {
  uint32_t mask = 0x12345678;
  uint32_t wordSum = 0;
  uint32_t count = 0;
  uint32_t result = 0;
  size_t i = 0;
  for (; i + 4 <= length; i += 4) {
    uint8_t g[4] = {data[i], data[i + 1], static_cast<uint8_t>(data[i + 2] ^ data[i]),
                    static_cast<uint8_t>(data[i + 3] ^ data[i + 1])};
    const uint32_t w = LoadLE32(g) ^ mask;
    result += (w & 0xFF) + ((w >> 8) & 0xFF) + ((w >> 16) & 0xFF) + (w >> 24);
    wordSum += w;
    count += 4;
    if (count == 256) {
      mask = wordSum;
      wordSum = 0;
      count = 0;
    }
  }
  for (; i < length; ++i) result += data[i];
  return result;
}

}  // namespace brindle
