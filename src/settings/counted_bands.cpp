#include "settings/counted_bands.h"

#include <algorithm>
#include <array>

#include "core/byte_order.h"
#include "settings/band_table.h"

namespace brindle {
namespace {

constexpr std::array<const char*, layout3::kBandGroupCount> kGroupNames = {"X", "Ku", "K", "Ka", "Laser"};
constexpr unsigned kCountedRangeMinimumMHz = 1000;

int GroupCount(const SettingsBlock& block, size_t group) {
  return std::max(0, static_cast<int>(static_cast<int8_t>(block[layout3::kBandCounts + group])));
}

}  // namespace

size_t CountedBandEntries(const SettingsBlock& block) {
  size_t total = 0;
  for (size_t g = 0; g < layout3::kBandGroupCount; ++g) total += GroupCount(block, g);
  return std::min(total, layout3::kMaxBandEntries);
}

std::vector<std::string> CountedBandCaptions(const SettingsBlock& block) {
  const size_t entries = CountedBandEntries(block);
  std::vector<std::string> captions;
  captions.reserve(entries);
  size_t group = 0;
  size_t groupStart = 0;
  for (size_t i = 0; i < entries; ++i) {
    // Advance to the group that holds entry i; empty groups hold none.
    while (group + 1 < layout3::kBandGroupCount &&
           i >= groupStart + static_cast<size_t>(GroupCount(block, group))) {
      groupStart += GroupCount(block, group);
      ++group;
    }
    std::string caption = kGroupNames[group];
    if (GroupCount(block, group) > 1) caption += std::to_string(i - groupStart + 1);
    caption += " Band";
    const uint8_t* range = &block[layout3::kBandRanges + layout3::kBandRangeSize * i];
    const unsigned low = LoadLE16(range);
    const unsigned high = LoadLE16(range + layout3::kBandRangeHigh);
    if (low > kCountedRangeMinimumMHz && high > kCountedRangeMinimumMHz) caption += BandRangeText(low, high);
    captions.push_back(std::move(caption));
  }
  return captions;
}

}  // namespace brindle
