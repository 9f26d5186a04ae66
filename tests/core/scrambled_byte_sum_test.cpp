// ScrambledByteSum against a literal transcription of the algorithm that
// transforms a working copy in place.
#include "core/scrambled_byte_sum.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/byte_order.h"
#include "core/byte_sum.h"

namespace brindle {
namespace {

uint32_t ReferenceScrambledSum(std::vector<uint8_t> copy) {
  uint32_t mask = 0x12345678, sum = 0, count = 0;
  for (size_t i = 0; i + 4 <= copy.size(); i += 4) {
    uint8_t* g = &copy[i];
    g[2] ^= g[0];
    g[3] ^= g[1];
    const uint32_t w = LoadLE32(g) ^ mask;
    StoreLE32(g, w);
    sum += w;
    count += 4;
    if (count == 256) {
      mask = sum;
      sum = 0;
      count = 0;
    }
  }
  return ByteSum(copy.data(), copy.size());
}

TEST(ScrambledByteSum, KnownValues) {
  const uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(ScrambledByteSum(abc, 3), 294u);  // no whole group: the plain sum
  const uint8_t group[] = {1, 2, 3, 4};       // 01 02 02 06 ^ 78 56 34 12
  EXPECT_EQ(ScrambledByteSum(group, 4), 0x79u + 0x54 + 0x36 + 0x14);
  EXPECT_EQ(ScrambledByteSum(nullptr, 0), 0u);
}

TEST(ScrambledByteSum, MatchesTheInPlaceTransformAcrossMaskReseeds) {
  std::mt19937 rng(7);
  for (size_t n : {1u, 4u, 255u, 256u, 257u, 259u, 512u, 1027u, 4096u, 70001u}) {
    std::vector<uint8_t> data(n);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    EXPECT_EQ(ScrambledByteSum(data.data(), n), ReferenceScrambledSum(data)) << n;
  }
}

}  // namespace
}  // namespace brindle
