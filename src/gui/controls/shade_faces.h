#pragma once
// The two faces of a shaded button: a vertical shade from the system's
// shadow colour (bottom) through the face colour to the highlight colour
// (top), with a random grain, tinted blue; the hover face is the same image
// blended further towards the highlight colour.
#include <QColor>
#include <cstdint>

#include "gui/controls/ce_xdib.h"

namespace brindle {

// The grain's pseudo-random numbers, 0..32767, in the sequence of the C
// runtime's rand() after srand(1), so faces come out the same on every run.
class CShadeRandom {
 public:
  explicit CShadeRandom(uint32_t seed = 1) : m_state(seed) {}
  int Next() {
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int>((m_state >> 16) & 0x7FFF);
  }

 private:
  uint32_t m_state;
};

struct ShadeColors {
  QRgb shadow;     // button shadow
  QRgb face;       // button face
  QRgb highlight;  // button highlight
};

// The blue the normal face is tinted with, and by how much (percent).
constexpr QRgb kShadeTint = 0xFF3737FF;
constexpr int kShadeTintPercent = 5;
constexpr int kHoverBlendPercent = 20;

// Renders both faces at sx x sy pixels. False (faces empty) for an empty size.
bool BuildShadeFaces(int sx, int sy, const ShadeColors& colors, CShadeRandom& random, CCeXDib& normalFace,
                     CCeXDib& hoverFace);

}  // namespace brindle
