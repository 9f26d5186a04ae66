#pragma once
// CTextProgressCtrl: a progress bar that paints itself completely: a solid
// bar over a solid background and a centred text, drawn in one colour over
// the bar and another over the background, so the text stays readable where
// the bar's edge runs through it. The text is the owner's window text, or
// the percentage done when none is set. Qt's backing store double-buffers
// every paint, so the bar never flickers while it repaints.
#include <QColor>
#include <QString>
#include <QWidget>

namespace brindle {

class CTextProgressCtrl : public QWidget {
  Q_OBJECT
 public:
  explicit CTextProgressCtrl(QWidget* parent = nullptr);

  // No repaint; the owner follows it with SetPos.
  void SetRange(int min, int max);
  // The previous position. Repaints at once only when the bar's pixel
  // width changes.
  int SetPos(int pos);
  int Pos() const { return m_pos; }
  int Min() const { return m_min; }
  int Max() const { return m_max; }

  // Stores the text and repaints when it differs; empty shows the percentage.
  void SetWindowText(const QString& text);
  const QString& WindowText() const { return m_text; }

  // The text drawn now: the window text, or "%d%%" of the truncated percentage.
  QString DisplayedText() const;
  // Left edge of the empty part in client pixels (may lie outside the client).
  int SplitX() const;

  QColor BarColor() const { return m_barColor; }
  QColor BackColor() const { return m_backColor; }
  QColor TextColor() const { return m_textColor; }
  QColor TextOnBarColor() const { return m_textOnBarColor; }
  // Paints done so far; lets tests see the repaint rule.
  int PaintCount() const { return m_paintCount; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  double Fraction() const;
  // Tells assistive technology that the value or its text changed.
  void NotifyValueChanged();

  int m_pos = 0;
  int m_max = 100;
  int m_min = 0;
  QString m_text;
  bool m_showText = true;
  int m_barWidth = -1;  // bar width at the last repaint; -1 none yet
  QColor m_barColor;
  QColor m_backColor;
  QColor m_textColor;
  QColor m_textOnBarColor;
  int m_paintCount = 0;
};

}  // namespace brindle
