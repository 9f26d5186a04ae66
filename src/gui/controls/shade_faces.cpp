#include "gui/controls/shade_faces.h"

namespace brindle {

namespace {

// Channel-wise (a * (128 - i) + b * i) / 128, integer division.
QRgb Mix128(QRgb a, QRgb b, int i) {
  const auto mix = [i](int x, int y) { return (x * (128 - i) + y * i) / 128; };
  return qRgb(mix(qRed(a), qRed(b)), mix(qGreen(a), qGreen(b)), mix(qBlue(a), qBlue(b)));
}

}  // namespace

bool BuildShadeFaces(int sx, int sy, const ShadeColors& colors, CShadeRandom& random, CCeXDib& normalFace,
                     CCeXDib& hoverFace) {
  if (!normalFace.Create(sx, sy, 8)) {
    hoverFace.Create(0, 0, 8);
    return false;
  }
  // 0..127 shadow to face, 128..255 face to highlight; the second run
  // starts by overwriting entry 128.
  for (int i = 0; i <= 128; ++i) normalFace.SetPaletteEntry(i, Mix128(colors.shadow, colors.face, i));
  for (int t = 1; t <= 128; ++t)
    normalFace.SetPaletteEntry(127 + t, Mix128(colors.face, colors.highlight, t));

  for (int r = 0; r < sy; ++r) {
    const int base = (r * 239) / sy;
    uint8_t* row = normalFace.StoredRow(r);
    for (int x = 0; x < sx; ++x) {
      // base + 8, then a grain of -8..+8 in 8-bit arithmetic: base..base + 16.
      uint8_t value = static_cast<uint8_t>(base + 8);
      value = static_cast<uint8_t>(value + (random.Next() / 2047) - 8);
      row[x] = value;
    }
  }
  normalFace.BlendPalette(kShadeTint, kShadeTintPercent);
  hoverFace.Clone(normalFace);
  hoverFace.BlendPalette(colors.highlight, kHoverBlendPercent);
  return true;
}

}  // namespace brindle
