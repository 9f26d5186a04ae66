// Byte order helpers and checksums.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/build_config.h"
#include "core/byte_order.h"
#include "core/byte_sum.h"

namespace brindle {
namespace {

TEST(ByteOrder, StoresAndLoadsLittleEndian) {
  uint8_t b[4];
  StoreLE32(b, 0x43444948);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 4), "HIDC");
  EXPECT_EQ(LoadLE32(b), 0x43444948u);
  StoreLE16(b, 0xB500);
  EXPECT_EQ(b[0], 0x00);
  EXPECT_EQ(b[1], 0xB5);
  EXPECT_EQ(LoadLE16(b), 0xB500);
}

TEST(ByteSum, AddsUnsignedBytesAndWraps) {
  const uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(ByteSum(abc, 3), 294u);
  EXPECT_EQ(ByteSum(abc, 0), 0u);
  // 2^24 + 1 bytes of 0xFF: the 32-bit sum wraps.
  std::vector<uint8_t> big((1u << 24) + 1, 0xFF);
  EXPECT_EQ(ByteSum(big.data(), big.size()), static_cast<uint32_t>(0xFFull * big.size()));
}

TEST(BuildConfig, DefaultCompanyAndBrandTable) {
  const CBuildConfig& c = CBuildConfig::Default();
  EXPECT_EQ(c.companyName, "Valdemo Tech Co.");
  EXPECT_EQ(c.companyName.size(), 16u);
  EXPECT_FALSE(c.IsBlankCompany());
  ASSERT_EQ(c.brandTable.size(), 3u);
  EXPECT_EQ(c.brandTable[0].brand, "Nerv/Pindar");
  EXPECT_EQ(c.brandTable[1].brand, "Gravo");
  EXPECT_EQ(c.brandTable[2].brand, "Kelvax");
  for (const BrandRow& row : c.brandTable)
    EXPECT_NE(row.versionFileUrl.find(".example/"), std::string::npos) << row.versionFileUrl;
  const CBuildConfig blank{std::string(21, ' '), {}};
  EXPECT_TRUE(blank.IsBlankCompany());
}

}  // namespace
}  // namespace brindle
