// Classification of settings blocks read from the device.
#include "settings/settings_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "core/byte_order.h"
#include "core/byte_sum.h"

namespace brindle {
namespace {

SettingsBlock Layout3(uint32_t revision) {
  SettingsBlock b{};
  std::memcpy(&b[layout3::kModelCode], "BR01", 4);
  StoreLE32(&b[layout3::kRevision], revision);
  StoreLE32(&b[layout3::kFormatMagic], layout3::kFormatMagicValue);
  SealBlock(b, 3);
  return b;
}

TEST(ClassifySettingsBlock, Table) {
  IdentityBlock exo{};
  std::memcpy(exo.data(), "EXO ", 4);
  const IdentityBlock none{};
  struct Case {
    const char* name;
    std::function<SettingsBlock()> make;
    const IdentityBlock& identity;
    int layout;
    int revision;
  };
  const Case cases[] = {
      {"layout 3 with its revision", [] { return Layout3(14); }, none, 3, 14},
      {"magic with the 59-byte sum wins over the 72-byte sum",
       [] {
         // Bytes 0x3F..0x4B zero: the 72-byte sum equals the 59-byte one.
         SettingsBlock b = Layout3(15);
         EXPECT_EQ(ComputeBlockChecksum(b, 2), ComputeBlockChecksum(b, 3));
         return b;
       },
       none, 3, 15},
      {"magic with a bad sum falls through to layout 2",
       [] {
         SettingsBlock b = Layout3(14);
         b[0x40] = 9;  // outside the 59 bytes, inside the 72
         SealBlock(b, 2);
         return b;
       },
       none, 2, 5},
      {"all zeros is layout 2", [] { return SettingsBlock{}; }, none, 2, 5},
      {"layout 1",
       [] {
         SettingsBlock b{};
         b[layout12::kFlags] = 0x40;
         b[0x30] = 1;  // beyond the 24 bytes only
         SealBlock(b, 1);
         return b;
       },
       none, 1, 5},
      {"no match after an EXO identity",
       [] {
         SettingsBlock b{};
         b[0] = 1;
         return b;
       },
       exo, 0, 0},
      {"no match",
       [] {
         SettingsBlock b{};
         b[0] = 1;
         return b;
       },
       none, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsBlock block = c.make();
    const SettingsClass k = ClassifySettingsBlock(block, c.identity);
    EXPECT_EQ(k.layout, c.layout);
    EXPECT_EQ(k.revision, c.revision);
  }
}

TEST(ClassifySettingsBlock, Layout1ClearsBytes4To11AndKeepsTheChecksum) {
  SettingsBlock b{};
  for (size_t i = 4; i < 0x1C; ++i) b[i] = static_cast<uint8_t>(i);
  b[0x30] = 7;
  SealBlock(b, 1);
  const uint32_t stored = LoadLE32(&b[0]);
  ASSERT_EQ(ClassifySettingsBlock(b, IdentityBlock{}).layout, 1);
  for (size_t i = 4; i < 0x0C; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(b[0x0C], 0x0C);
  EXPECT_EQ(LoadLE32(&b[0]), stored);
}

}  // namespace
}  // namespace brindle
