#include "gui/controls/button_st.h"

#include <QApplication>
#include <QEnterEvent>
#include <QIcon>
#include <QPainter>

namespace brindle {

CButtonST::CButtonST(QWidget* parent) : QPushButton(parent) {
  setFlat(true);
  // The face covers every pixel.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

int CButtonST::SetIcons(const QPixmap& iconIn, const QPixmap& iconOut) {
  m_iconIn = QPixmap();
  m_iconOut = QPixmap();
  if (iconIn.isNull()) {
    update();
    return 1;
  }
  m_iconIn = iconIn;
  m_iconOut = iconOut;
  update();
  return 0;
}

int CButtonST::SetIcons(const QPixmap& iconIn, AutoGray) {
  if (iconIn.isNull()) return SetIcons(iconIn);
  QPixmap gray = QPixmap::fromImage(GrayCopy(iconIn.toImage()));
  gray.setDevicePixelRatio(iconIn.devicePixelRatio());
  return SetIcons(iconIn, gray);
}

QImage CButtonST::GrayCopy(const QImage& icon) {
  QImage out = icon.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb p = line[x];
      if ((p & 0x00FFFFFF) == 0) continue;
      const int g = static_cast<int>(0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p));
      line[x] = qRgba(g, g, g, qAlpha(p));
    }
  }
  return out;
}

int CButtonST::DrawBackground(QPainter&, const QRect&) { return 0; }

int CButtonST::DrawBorder(QPainter& painter, const QRect& rect) {
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  const QColor topLeft = m_pressed ? shadow : light;
  const QColor bottomRight = m_pressed ? light : shadow;
  const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
  painter.setPen(topLeft);
  painter.drawLine(l, t, r - 1, t);
  painter.drawLine(l, t, l, b - 1);
  painter.setPen(bottomRight);
  painter.drawLine(l, b, r, b);
  painter.drawLine(r, t, r, b);
  return 0;
}

void CButtonST::paintEvent(QPaintEvent*) {
  m_pressed = isDown();
  m_focused = hasFocus();
  m_disabled = !isEnabled();

  QPainter painter(this);
  const QRect item = rect();
  DrawBackground(painter, item);
  if (m_pressed || m_mouseOver) DrawBorder(painter, item);

  if (m_focused) DrawFocusMark(painter, item);

  QRect caption = item;
  if (!m_iconIn.isNull()) DrawIcon(painter, item, caption);

  const QString label = text();
  if (label.isEmpty()) return;
  if (m_pressed) caption.translate(1, 1);
  const int flags = Qt::TextWordWrap | Qt::AlignCenter;
  QRect measured = painter.boundingRect(QRect(0, 0, caption.width(), caption.height()), flags, label);
  measured.moveTo(caption.left() + (caption.width() - measured.width()) / 2,
                  caption.top() + (caption.height() - measured.height()) / 2);
  if (m_disabled) {
    // Embossed in the button highlight and shadow colours themselves: the
    // palette's disabled group would fade them to near the face colour.
    painter.setPen(palette().color(QPalette::Active, QPalette::Light));
    painter.drawText(measured.translated(1, 1), flags, label);
    painter.setPen(palette().color(QPalette::Active, QPalette::Dark));
    painter.drawText(measured, flags, label);
  } else {
    painter.setPen(palette().color(QPalette::Active, QPalette::ButtonText));
    painter.drawText(measured, flags, label);
  }
}

void CButtonST::DrawFocusMark(QPainter& painter, const QRect& item) {
  const QRect mark = FocusMarkRect(item);
  if (mark.width() < 2 || mark.height() < 2) return;
  // A dotted frame in the shadow colour: plain to see on every part of the
  // shade, yet lighter than the caption, so it marks without shouting.
  QPen pen(palette().color(QPalette::Active, QPalette::Dark), 1, Qt::DotLine);
  pen.setCosmetic(true);
  painter.save();
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(mark.adjusted(0, 0, -1, -1));  // a QRect outline covers one more
  painter.restore();
}

QRect CButtonST::FocusMarkRect(const QRect& item) {
  return item.adjusted(kFocusMarkInset, kFocusMarkInset, -kFocusMarkInset, -kFocusMarkInset);
}

void CButtonST::DrawIcon(QPainter& painter, const QRect& item, QRect& caption) {
  const bool resting = !m_pressed && !m_mouseOver;
  const QPixmap& icon = (resting && !m_iconOut.isNull()) ? m_iconOut : m_iconIn;
  const QSize size = icon.deviceIndependentSize().toSize();
  QPoint at;
  if (!text().isEmpty()) {
    at.setX(item.left() + 3);
    caption.setLeft(caption.left() + size.width() + 3);
  } else {
    at.setX(item.left() + (item.width() - size.width()) / 2);
  }
  at.setY(item.top() + (item.height() - size.height()) / 2);
  if (m_pressed) at += QPoint(1, 1);
  if (m_disabled) {
    painter.drawPixmap(at, QIcon(icon).pixmap(size, devicePixelRatio(), QIcon::Disabled));
  } else {
    painter.drawPixmap(at, icon);
  }
}

void CButtonST::enterEvent(QEnterEvent* event) {
  QPushButton::enterEvent(event);
  // A drag that began elsewhere does not light the button up.
  if ((QApplication::mouseButtons() & Qt::LeftButton) && !m_mouseOver) return;
  if (!m_mouseOver && isEnabled()) {
    m_mouseOver = true;
    update();
  }
}

void CButtonST::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  ClearHover();
}

void CButtonST::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  ClearHover();
}

void CButtonST::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  // Qt moves the focus on to the next tab item when a focused widget is
  // disabled, as the dialog manager does.
  if ((event->type() == QEvent::ActivationChange && !isActiveWindow()) ||
      (event->type() == QEvent::EnabledChange && !isEnabled()))
    ClearHover();
}

void CButtonST::ClearHover() {
  if (!m_mouseOver) return;
  m_mouseOver = false;
  update();
}

}  // namespace brindle
