#include "gui/status_text.h"

#include <QPainter>
#include <QStyle>

namespace brindle {

CStatusText::CStatusText(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Two lines fit its height: the access hint is wider than one.
  setWordWrap(true);
}

QString ElideKeepingFileName(const QString& text, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(text) <= width) return text;
  const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
  if (slash > 0) {
    const QString name = text.mid(slash);  // with its leading '/'
    const int folderWidth = width - metrics.horizontalAdvance(name);
    const QString folders = metrics.elidedText(text.left(slash), Qt::ElideMiddle, folderWidth);
    if (!folders.isEmpty()) return folders + name;
  }
  return metrics.elidedText(text, Qt::ElideMiddle, width);
}

QString CStatusText::ShownText() const {
  const QFontMetrics metrics(font());
  const QRect area = contentsRect();
  const QRect wrapped = metrics.boundingRect(area, Qt::TextWordWrap | alignment(), text());
  if (wrapped.width() <= area.width() && wrapped.height() <= area.height()) return text();
  return ElideKeepingFileName(text(), metrics, area.width());
}

void CStatusText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QString shown = ShownText();
  const int flags = int(alignment()) | (shown == text() ? Qt::TextWordWrap : Qt::TextSingleLine);
  style()->drawItemText(&painter, contentsRect(), flags, palette(), isEnabled(), shown, foregroundRole());
}

}  // namespace brindle
