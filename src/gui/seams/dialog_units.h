#pragma once
// The windows' layouts give positions in dialog units: a quarter of the
// dialog font's average character width horizontally, an eighth of its
// height vertically. They are converted with that font's own metrics, so a
// window keeps its proportions whatever font the desktop supplies.
#include <QFont>
#include <QRect>

namespace brindle {

struct DialogBaseUnits {
  int x = 0;  // average character width of the dialog font, pixels
  int y = 0;  // character height of the dialog font, pixels
};

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);

// The average width is that of the 52 letters A..Z a..z, halved with
// rounding: (width / 26 + 1) / 2.
DialogBaseUnits BaseUnitsOf(const QFont& font);

QRect DialogUnitsToPixels(const QRect& dialogUnits, const DialogBaseUnits& base);
QSize DialogUnitsToPixels(const QSize& dialogUnits, const DialogBaseUnits& base);

// The dialog font of a template: the desktop's sans-serif font at the
// template's point size ("MS Shell Dlg" has no Linux counterpart).
QFont DialogFont(int pointSize);

}  // namespace brindle
