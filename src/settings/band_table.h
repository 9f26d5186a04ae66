#pragma once
// The band captions and frequency ranges the settings dialog knows without
// asking the block: the fixed twelve-band table and the five-box captions.
#include <array>
#include <cstdint>
#include <string>

#include "settings/settings_layout.h"

namespace brindle {

struct FixedBand {
  const char* caption;
  uint16_t lowMHz;
  uint16_t highMHz;  // 0 and 0: no range (Laser)
};

// One row per bandEnables byte of layouts 1 and 2, in their order.
inline constexpr std::array<FixedBand, layout12::kBandCount> kFixedBands = {{
    {"X Band", 10480, 10720},
    {"Ku Band", 13350, 13540},
    {"K1 Band", 22700, 23660},
    {"K2 Band", 23660, 24060},
    {"K3 Band", 24060, 24410},
    {"K4 Band", 24410, 24900},
    {"KA1 Band", 33700, 34200},
    {"KA2 Band", 34200, 34600},
    {"KA3 Band", 34600, 35450},
    {"KA4 Band", 35450, 35950},
    {"KA5 Band", 35950, 36300},
    {"Laser Band", 0, 0},
}};

// The fixed table shows a range only when both ends exceed this (MHz).
constexpr unsigned kFixedRangeMinimumMHz = 10;

inline constexpr std::array<const char*, 5> kFiveBoxCaptions = {"X Band", "Ku Band", "K Band", "KA Band",
                                                                "Laser Band"};

// "(low~high)" in GHz with three decimals, e.g. "(10.480~10.720)".
std::string BandRangeText(unsigned lowMHz, unsigned highMHz);

}  // namespace brindle
