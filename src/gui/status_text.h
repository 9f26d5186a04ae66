#pragma once
// CStatusText: the status line of the main window (control 1032). It holds
// either a message or the path of the chosen update file, and its text()
// is always the whole of it. A text that fits the label's lines when
// wrapped is shown so; a longer one, such as a deep path, is shown on one
// line elided in the middle so that the file name stays whole.
#include <QLabel>

namespace brindle {

class CStatusText : public QLabel {
  Q_OBJECT
 public:
  explicit CStatusText(QWidget* parent = nullptr);

  // What the label draws for its current text, size and font.
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// text elided in the middle to width: when text is a path whose last
// component fits, only the folders are shortened ("/home/…/maps/x.dwm").
QString ElideKeepingFileName(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace brindle
