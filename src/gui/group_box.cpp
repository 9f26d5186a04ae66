#include "gui/group_box.h"

#include <QPainter>
#include <QStyle>

namespace brindle {

QRect CGroupBox::FrameRect() const {
  const int top = fontMetrics().height() / 2;
  return rect().adjusted(0, top, 0, 0);
}

void CGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect frame = FrameRect();
  // Etched: a shadow outline with a highlight outline one pixel inside and
  // below it (QRect outlines cover one pixel more, hence the -1s).
  painter.setPen(palette().color(QPalette::Active, QPalette::Dark));
  painter.drawRect(frame.adjusted(0, 0, -2, -2));
  painter.setPen(palette().color(QPalette::Active, QPalette::Light));
  painter.drawRect(frame.adjusted(1, 1, -1, -1));
  if (title().isEmpty()) return;

  const QFontMetrics metrics = fontMetrics();
  const int indent = metrics.averageCharWidth();
  const int gap = metrics.averageCharWidth() / 2;
  const QRect text(indent + gap, 0, metrics.horizontalAdvance(title()), metrics.height());
  painter.fillRect(text.adjusted(-gap, 0, gap, 0), palette().color(backgroundRole()));
  style()->drawItemText(&painter, text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, palette(),
                        isEnabled(), title(), QPalette::WindowText);
}

}  // namespace brindle
