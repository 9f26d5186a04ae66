#include "gui/seams/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>
#ifdef Q_OS_WIN
#include <QSettings>
#endif
#include <cstdint>

namespace brindle {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  const int64_t half = (c < 0 ? -c : c) / 2;
  const bool negative = (product < 0) != (c < 0);
  const int64_t magnitude = ((product < 0 ? -product : product) + half) / (c < 0 ? -c : c);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const QRect& du, const DialogBaseUnits& base) {
  // Position and size convert apart, as the dialog manager creates controls.
  return QRect(MulDiv(du.x(), base.x, 4), MulDiv(du.y(), base.y, 8), MulDiv(du.width(), base.x, 4),
               MulDiv(du.height(), base.y, 8));
}

QSize DialogUnitsToPixels(const QSize& du, const DialogBaseUnits& base) {
  return QSize(MulDiv(du.width(), base.x, 4), MulDiv(du.height(), base.y, 8));
}

QFont DialogFont(int pointSize) {
  QFont font = QApplication::font();
#ifdef Q_OS_WIN
  // The dialog templates name "MS Shell Dlg", a name Windows substitutes
  // with its dialog face through the registry; Qt's font matching does not.
  const QSettings substitutes(
      QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes"),
      QSettings::NativeFormat);
  const QString face = substitutes.value(QStringLiteral("MS Shell Dlg")).toString();
  if (!face.isEmpty()) font.setFamily(face);
#endif
  font.setPointSize(pointSize);
  return font;
}

}  // namespace brindle
