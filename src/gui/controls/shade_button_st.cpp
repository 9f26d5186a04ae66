#include "gui/controls/shade_button_st.h"

#include <QPainter>
#include <QtMath>

namespace brindle {

namespace {

// The process-wide grain sequence (window thread only).
CShadeRandom& SharedRandom() {
  static CShadeRandom random;
  return random;
}

}  // namespace

void CShadeButtonST::BuildShade() { BuildShade(SharedRandom()); }

void CShadeButtonST::BuildShade(CShadeRandom& random) {
  const QPalette& p = palette();
  const ShadeColors colors{p.color(QPalette::Dark).rgb(), p.color(QPalette::Button).rgb(),
                           p.color(QPalette::Light).rgb()};
  const qreal ratio = devicePixelRatioF();
  BuildShadeFaces(qCeil(width() * ratio), qCeil(height() * ratio), colors, random, m_normalFace, m_hoverFace);
  m_normalFace.SetDevicePixelRatio(ratio);
  m_hoverFace.SetDevicePixelRatio(ratio);
  update();
}

int CShadeButtonST::DrawBackground(QPainter& painter, const QRect& rect) {
  if (!m_normalFace.Image().isNull() && m_normalFace.DevicePixelRatio() != devicePixelRatioF()) BuildShade();
  if (m_normalFace.Image().isNull()) {
    painter.fillRect(rect, palette().color(QPalette::Button));  // before BuildShade
  } else if (!m_mouseOver) {
    m_normalFace.Draw(painter, 0, 0);
  } else if (m_pressed) {
    // The sunken border covers the row and column the shift uncovers.
    painter.fillRect(rect.left(), rect.top(), rect.width(), 1, palette().color(QPalette::Button));
    painter.fillRect(rect.left(), rect.top(), 1, rect.height(), palette().color(QPalette::Button));
    m_hoverFace.Draw(painter, 1, 1);
  } else {
    m_hoverFace.Draw(painter, 0, 0);
  }
  return 0;
}

}  // namespace brindle
