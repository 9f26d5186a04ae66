// ChooseBrandTag: the model code an update file's brand section is chosen by.
#include "settings/brand_tag.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace brindle {
namespace {

constexpr uint32_t kTagBr01 = MakeTag('B', 'R', '0', '1');
constexpr uint32_t kTagOther = MakeTag('Z', 'Z', '9', '9');

DeviceFacts ModelFacts(int layout, const char (&model)[5]) {
  DeviceFacts f;
  f.settingsLayout = layout;
  std::memcpy(f.settingsBlock.data() + (layout >= 3 ? layout3::kModelCode : layout12::kModelCode), model, 4);
  return f;
}

DeviceFacts IdentityFacts(int layout, const std::string& identity) {
  DeviceFacts f;
  f.settingsLayout = layout;
  std::memcpy(f.identityBlock.data(), identity.data(), identity.size());
  return f;
}

TEST(ChooseBrandTag, FromTheDeviceFacts) {
  // Layout 1 with a model code in its settings block still goes by identity.
  DeviceFacts gravoWithModel = ModelFacts(1, "BR01");
  std::memcpy(gravoWithModel.identityBlock.data(), "Gravo GX", 8);
  DeviceFacts blank = IdentityFacts(1, "");
  blank.identityBlock.fill(0xFF);
  struct Case {
    const char* name;
    DeviceFacts facts;
    uint32_t tag;
  };
  const Case cases[] = {
      {"layout 3 at 0x04", ModelFacts(3, "BR01"), kTagBr01},
      {"layout 2 at 0x1C", ModelFacts(2, "BR01"), kTagBr01},
      {"layout 1 Gravo", gravoWithModel, kTagGravo},
      {"layout 0 Gravo", IdentityFacts(0, "Gravo"), kTagGravo},
      {"layout -1 EXO", IdentityFacts(-1, "EXO-7"), kTagExo},
      {"layout 1 Grav only", IdentityFacts(1, "Grav"), 0},
      {"layout 1 EX only", IdentityFacts(1, "EX"), 0},
      {"layout 1 other brand", IdentityFacts(1, "Kelvax"), 0},
      {"layout 1 blank identity", blank, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseBrandTag(c.facts), c.tag) << c.name;
  // Layout 3 reads 0x04 only, layout 2 0x1C only.
  DeviceFacts both = ModelFacts(3, "BR01");
  std::memcpy(both.settingsBlock.data() + layout12::kModelCode, "ZZ99", 4);
  EXPECT_EQ(ChooseBrandTag(both), kTagBr01);
  both.settingsLayout = 2;
  EXPECT_EQ(ChooseBrandTag(both), kTagOther);
}

}  // namespace
}  // namespace brindle
