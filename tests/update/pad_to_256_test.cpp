#include "update/pad_to_256.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TEST(PadTo256, GrowsToWholeBlocksWithErasedBytes) {
  const std::pair<size_t, size_t> cases[] = {{0, 0},     {1, 256},   {255, 256},
                                             {256, 256}, {257, 512}, {0x7000, 0x7000}};
  for (const auto& [size, padded] : cases) {
    std::vector<uint8_t> buffer(size);
    for (size_t i = 0; i < size; ++i) buffer[i] = static_cast<uint8_t>(i * 3);
    ASSERT_TRUE(PadTo256(buffer));
    ASSERT_EQ(buffer.size(), padded) << size;
    for (size_t i = 0; i < size; ++i)
      ASSERT_EQ(buffer[i], static_cast<uint8_t>(i * 3)) << size << " at " << i;
    for (size_t i = size; i < padded; ++i) ASSERT_EQ(buffer[i], 0xFF) << size << " at " << i;
  }
}

}  // namespace
}  // namespace brindle
