#pragma once
// The counted band layout of a layout-3 block: bandCounts says how many
// entries each group (X, Ku, K, Ka, Laser) has; entry i owns the enable byte
// at bandEnables + i and the range at bandRanges + 4 * i.
#include <cstddef>
#include <string>
#include <vector>

#include "settings/settings_layout.h"

namespace brindle {

// The number of entries the dialog shows and writes. A negative count holds
// no entries, and entries that would run past the enable bytes into
// featureLevel are left out, so the result is at most 24.
size_t CountedBandEntries(const SettingsBlock& block);

// One caption per entry: group name, the number within the group when the
// group has more than one entry, " Band", and the range when both of its
// ends exceed 1000 MHz ("K2 Band(23.660~24.060)").
std::vector<std::string> CountedBandCaptions(const SettingsBlock& block);

}  // namespace brindle
