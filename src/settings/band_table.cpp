#include "settings/band_table.h"

#include <cstdio>

namespace brindle {

std::string BandRangeText(unsigned lowMHz, unsigned highMHz) {
  char text[48];
  std::snprintf(text, sizeof text, "(%.03f~%.03f)", lowMHz / 1000.0, highMHz / 1000.0);
  return text;
}

}  // namespace brindle
