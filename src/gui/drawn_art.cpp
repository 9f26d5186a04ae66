#include "gui/drawn_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cmath>

namespace brindle {

namespace {

// A transparent picture of size x size logical pixels at ratio.
QPixmap Canvas(int size, qreal ratio) {
  const int pixels = qRound(size * ratio);
  QPixmap pixmap(pixels, pixels);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// The device: a rounded screen with a small map on it, in a unit box.
void PaintDevice(QPainter& p, const QRectF& box) {
  p.setPen(QPen(QColor(30, 34, 44), box.width() * 0.05));
  p.setBrush(QColor(52, 58, 72));
  p.drawRoundedRect(box, box.width() * 0.12, box.width() * 0.12);
  const QRectF screen =
      box.adjusted(box.width() * 0.12, box.height() * 0.14, -box.width() * 0.12, -box.height() * 0.14);
  QLinearGradient sky(screen.topLeft(), screen.bottomLeft());
  sky.setColorAt(0, QColor(120, 200, 255));
  sky.setColorAt(1, QColor(40, 120, 210));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRect(screen);
  QPainterPath road;
  road.moveTo(screen.left() + screen.width() * 0.2, screen.bottom());
  road.lineTo(screen.center().x(), screen.top() + screen.height() * 0.3);
  road.lineTo(screen.right() - screen.width() * 0.2, screen.bottom());
  p.setBrush(QColor(250, 210, 70));
  p.drawPath(road);
}

}  // namespace

QPixmap DrawAppIcon(int size, qreal ratio) {
  QPixmap pixmap = Canvas(size, ratio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  PaintDevice(p, QRectF(size * 0.06, size * 0.16, size * 0.88, size * 0.68));
  return pixmap;
}

QPixmap DrawOpenIcon(int size, qreal ratio) {
  QPixmap pixmap = Canvas(size, ratio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  p.setPen(QPen(QColor(150, 100, 20), s * 0.05));
  p.setBrush(QColor(230, 170, 50));
  QPainterPath back;
  back.moveTo(s * 0.08, s * 0.25);
  back.lineTo(s * 0.38, s * 0.25);
  back.lineTo(s * 0.46, s * 0.33);
  back.lineTo(s * 0.92, s * 0.33);
  back.lineTo(s * 0.92, s * 0.82);
  back.lineTo(s * 0.08, s * 0.82);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(QColor(250, 205, 90));
  QPainterPath front;
  front.moveTo(s * 0.2, s * 0.45);
  front.lineTo(s * 0.98, s * 0.45);
  front.lineTo(s * 0.86, s * 0.82);
  front.lineTo(s * 0.08, s * 0.82);
  front.closeSubpath();
  p.drawPath(front);
  return pixmap;
}

QPixmap DrawCloseIcon(int size, qreal ratio) {
  QPixmap pixmap = Canvas(size, ratio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  QRadialGradient disc(QPointF(s * 0.4, s * 0.35), s * 0.6);
  disc.setColorAt(0, QColor(255, 120, 110));
  disc.setColorAt(1, QColor(190, 20, 20));
  p.setPen(QPen(QColor(120, 10, 10), s * 0.04));
  p.setBrush(disc);
  p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
  p.setPen(QPen(Qt::white, s * 0.12, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(s * 0.34, s * 0.34), QPointF(s * 0.66, s * 0.66));
  p.drawLine(QPointF(s * 0.66, s * 0.34), QPointF(s * 0.34, s * 0.66));
  return pixmap;
}

QPixmap DrawSettingIcon(int size, qreal ratio) {
  QPixmap pixmap = Canvas(size, ratio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  const QPointF c(s / 2, s / 2);
  constexpr int kTeeth = 8;
  QPainterPath gear;
  for (int i = 0; i < kTeeth * 4; ++i) {
    // Each tooth: two points on the outer radius, two on the inner.
    const double angle = (i - 0.5) * M_PI * 2 / (kTeeth * 4);
    const double r = (i % 4 < 2) ? s * 0.46 : s * 0.34;
    const QPointF point(c.x() + r * std::cos(angle), c.y() + r * std::sin(angle));
    if (i == 0)
      gear.moveTo(point);
    else
      gear.lineTo(point);
  }
  gear.closeSubpath();
  gear.addEllipse(c, s * 0.13, s * 0.13);
  gear.setFillRule(Qt::OddEvenFill);
  p.setPen(QPen(QColor(60, 70, 90), s * 0.04));
  p.setBrush(QColor(150, 165, 190));
  p.drawPath(gear);
  return pixmap;
}

QPixmap DrawUpdateIcon(int size, qreal ratio) {
  QPixmap pixmap = Canvas(size, ratio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  PaintDevice(p, QRectF(s * 0.1, s * 0.5, s * 0.8, s * 0.44));
  QPainterPath arrow;
  arrow.moveTo(s * 0.4, s * 0.04);
  arrow.lineTo(s * 0.6, s * 0.04);
  arrow.lineTo(s * 0.6, s * 0.28);
  arrow.lineTo(s * 0.76, s * 0.28);
  arrow.lineTo(s * 0.5, s * 0.56);
  arrow.lineTo(s * 0.24, s * 0.28);
  arrow.lineTo(s * 0.4, s * 0.28);
  arrow.closeSubpath();
  p.setPen(QPen(QColor(10, 90, 30), s * 0.04));
  p.setBrush(QColor(60, 190, 80));
  p.drawPath(arrow);
  return pixmap;
}

QPixmap DrawBanner(QSize size, qreal ratio) {
  // Whole device pixels that cover the logical size at a fractional ratio.
  QPixmap pixmap(qCeil(size.width() * ratio), qCeil(size.height() * ratio));
  pixmap.setDevicePixelRatio(ratio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double w = pixmap.deviceIndependentSize().width();
  const double h = pixmap.deviceIndependentSize().height();
  QLinearGradient sky(0, 0, 0, h * 0.6);
  sky.setColorAt(0, QColor(20, 40, 90));
  sky.setColorAt(1, QColor(90, 150, 220));
  p.fillRect(QRectF(0, 0, w, h * 0.6), sky);
  p.fillRect(QRectF(0, h * 0.6, w, h * 0.4), QColor(60, 110, 60));
  QPainterPath road;
  road.moveTo(w * 0.3, h);
  road.lineTo(w * 0.48, h * 0.6);
  road.lineTo(w * 0.52, h * 0.6);
  road.lineTo(w * 0.7, h);
  p.fillPath(road, QColor(70, 70, 76));
  p.setPen(QPen(QColor(250, 220, 90), w * 0.008, Qt::DashLine));
  p.drawLine(QPointF(w * 0.5, h * 0.62), QPointF(w * 0.5, h));
  PaintDevice(p, QRectF(w * 0.04, h * 0.52, w * 0.2, h * 0.4));
  QFont font = p.font();
  font.setPixelSize(static_cast<int>(h * 0.2));
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, h * 0.08, w * 0.96, h * 0.3), Qt::AlignRight | Qt::AlignVCenter,
             QStringLiteral("Brindle"));
  return pixmap;
}

QIcon AppIconSet() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(DrawAppIcon(size));
  return icon;
}

}  // namespace brindle
