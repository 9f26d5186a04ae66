#include "settings/settings_layout.h"

#include <algorithm>
#include <cstring>

#include "core/byte_order.h"
#include "core/byte_sum.h"

namespace brindle {

size_t ChecksumCoverage(int layout) {
  if (layout <= 1) return 24;
  if (layout == 2) return 72;
  return 59;
}

CommonFieldOffsets CommonFields(int layout) {
  if (layout >= 3)
    return {layout3::kFlags,          layout3::kTimeZone,  layout3::kDayStartHour,
            layout3::kNightStartHour, layout3::kModelCode, layout3::kProgramVersion};
  return {layout12::kFlags,          layout12::kTimeZone,  layout12::kDayStartHour,
          layout12::kNightStartHour, layout12::kModelCode, layout12::kProgramVersion};
}

uint32_t ComputeBlockChecksum(const SettingsBlock& block, int layout) {
  return ByteSum(&block[4], ChecksumCoverage(layout));
}

void SealBlock(SettingsBlock& block, int layout) {
  StoreLE32(&block[0], ComputeBlockChecksum(block, layout));
}

SettingsClass ClassifySettingsBlock(SettingsBlock& block, const IdentityBlock& identity) {
  const uint32_t stored = LoadLE32(&block[0]);
  if (LoadLE32(&block[layout3::kFormatMagic]) == layout3::kFormatMagicValue &&
      stored == ComputeBlockChecksum(block, 3))
    return {3, static_cast<int32_t>(LoadLE32(&block[layout3::kRevision]))};
  if (stored == ComputeBlockChecksum(block, 2)) return {2, 5};
  if (stored == ComputeBlockChecksum(block, 1)) {
    // Layout-1 devices keep other data in these bytes; the dialog must not
    // read it as flags, time zone or X band.
    std::fill(block.begin() + 4, block.begin() + 0x0C, 0);
    return {1, 5};
  }
  return {std::memcmp(identity.data(), "EXO", 3) == 0 ? 0 : -1, 0};
}

}  // namespace brindle
