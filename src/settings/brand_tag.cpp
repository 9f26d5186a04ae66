#include "settings/brand_tag.h"

#include <cstring>

#include "core/byte_order.h"

namespace brindle {

uint32_t ChooseBrandTag(const DeviceFacts& facts) {
  if (facts.settingsLayout >= 3) return LoadLE32(facts.settingsBlock.data() + layout3::kModelCode);
  if (facts.settingsLayout == 2) return LoadLE32(facts.settingsBlock.data() + layout12::kModelCode);
  const uint8_t* id = facts.identityBlock.data();
  if (std::memcmp(id, "Gravo", 5) == 0) return kTagGravo;
  if (std::memcmp(id, "EXO", 3) == 0) return kTagExo;
  return 0;
}

}  // namespace brindle
