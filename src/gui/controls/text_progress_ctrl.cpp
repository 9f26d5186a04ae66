#include "gui/controls/text_progress_ctrl.h"

#include <QAccessible>
#include <QPainter>

#include "gui/controls/text_progress_accessible.h"

namespace brindle {

namespace {

// Truncation towards zero that stays defined for any double (NaN gives 0).
int Truncate(double value) {
  if (!(value == value)) return 0;
  if (value > 1e9) return 1000000000;
  if (value < -1e9) return -1000000000;
  return static_cast<int>(value);
}

}  // namespace

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent)
    : QWidget(parent),
      m_barColor(palette().color(QPalette::Highlight)),
      m_backColor(palette().color(QPalette::Dark)),
      m_textColor(palette().color(QPalette::ButtonText)),
      m_textOnBarColor(palette().color(QPalette::Base)) {
  // The paint covers every pixel; nothing needs erasing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  static const bool accessible = [] {
    QAccessible::installFactory(&CTextProgressAccessible::Factory);
    return true;
  }();
  (void)accessible;
}

void CTextProgressCtrl::NotifyValueChanged() {
  QAccessibleValueChangeEvent event(this, m_pos);
  QAccessible::updateAccessibility(&event);
}

void CTextProgressCtrl::SetRange(int min, int max) {
  m_min = min;
  m_max = max;
}

double CTextProgressCtrl::Fraction() const {
  if (!(m_min < m_max)) return 0.0;
  return (static_cast<double>(m_pos) - m_min) / (static_cast<double>(m_max) - m_min);
}

int CTextProgressCtrl::SetPos(int pos) {
  const int previous = m_pos;
  m_pos = pos;
  if (pos != previous) NotifyValueChanged();
  const int width = Truncate(this->width() * Fraction());
  if (width != m_barWidth) {
    m_barWidth = width;
    repaint();
  }
  return previous;
}

void CTextProgressCtrl::SetWindowText(const QString& text) {
  if (text == m_text) return;
  m_text = text;
  repaint();
  NotifyValueChanged();
}

QString CTextProgressCtrl::DisplayedText() const {
  if (!m_text.isEmpty()) return m_text;
  return QString::number(Truncate(Fraction() * 100)) + QLatin1Char('%');
}

int CTextProgressCtrl::SplitX() const {
  const QRect client = rect();
  return client.left() + Truncate(client.width() * Fraction());
}

void CTextProgressCtrl::paintEvent(QPaintEvent*) {
  ++m_paintCount;
  if (!(m_min < m_max)) return;
  QPainter painter(this);
  const QRect client = rect();
  const int split = SplitX();
  const QRect bar(QPoint(client.left(), client.top()), QPoint(split - 1, client.bottom()));
  const QRect empty(QPoint(split, client.top()), client.bottomRight());
  painter.fillRect(bar.intersected(client), m_barColor);
  painter.fillRect(empty.intersected(client), m_backColor);
  if (!m_showText) return;

  // The same text over the whole client twice, clipped to each part, so
  // the halves join exactly at the split.
  const QString text = DisplayedText();
  const int flags = Qt::AlignCenter | Qt::TextSingleLine;
  painter.setFont(font());
  painter.setClipRect(bar.intersected(client));
  painter.setPen(m_textOnBarColor);
  painter.drawText(client, flags, text);
  painter.setClipRect(empty.intersected(client));
  painter.setPen(m_textColor);
  painter.drawText(client, flags, text);
}

void CTextProgressCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_barWidth = -1;
}

}  // namespace brindle
