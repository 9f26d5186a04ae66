#include "gui/controls/ce_xdib.h"

#include <QPainter>

namespace brindle {

bool CCeXDib::Create(int width, int height, int bitsPerPixel) {
  m_drawn = QPixmap();
  if (bitsPerPixel != 8 || width <= 0 || height <= 0) {
    m_image = QImage();
    return false;
  }
  m_image = QImage(width, height, QImage::Format_Indexed8);
  m_image.setColorTable(QList<QRgb>(kPaletteSize, qRgb(0, 0, 0)));
  m_image.fill(0);
  return true;
}

void CCeXDib::Clone(const CCeXDib& source) {
  m_image = source.m_image.copy();
  m_ratio = source.m_ratio;
  m_drawn = QPixmap();
}

void CCeXDib::SetDevicePixelRatio(qreal ratio) {
  m_ratio = ratio > 0 ? ratio : 1.0;
  m_drawn = QPixmap();
}

void CCeXDib::SetPaletteEntry(int index, QRgb color) {
  if (index < 0 || index >= m_image.colorCount()) return;
  m_image.setColor(index, qRgb(qRed(color), qGreen(color), qBlue(color)));
  m_drawn = QPixmap();
}

void CCeXDib::BlendPalette(QRgb color, int percent) {
  const auto blend = [percent](int c, int k) { return (percent * k + c * (100 - percent)) / 100; };
  for (int i = 0; i < m_image.colorCount(); ++i) {
    const QRgb c = m_image.color(i);
    m_image.setColor(
        i, qRgb(blend(qRed(c), qRed(color)), blend(qGreen(c), qGreen(color)), blend(qBlue(c), qBlue(color))));
  }
  m_drawn = QPixmap();
}

uint8_t* CCeXDib::StoredRow(int row) {
  m_drawn = QPixmap();
  return m_image.scanLine(m_image.height() - 1 - row);
}

uint8_t CCeXDib::PixelIndex(int x, int storedRow) const {
  return m_image.constScanLine(m_image.height() - 1 - storedRow)[x];
}

void CCeXDib::Draw(QPainter& painter, int x, int y) const {
  if (m_image.isNull()) return;
  if (m_drawn.isNull()) {
    m_drawn = QPixmap::fromImage(m_image);
    m_drawn.setDevicePixelRatio(m_ratio);
  }
  painter.drawPixmap(x, y, m_drawn);
}

}  // namespace brindle
