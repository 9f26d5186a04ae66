#pragma once
// CButtonST: a flat push button that paints itself: a face left to
// subclasses, a raised border while the mouse is over it, a sunken border
// and a one-pixel shift while pressed, an icon at the left and the caption
// beside it. The focused button shows a quiet dotted frame inside its
// edge, so keyboard users see where Enter and Space go. QPushButton keeps
// the keyboard, click and default-button behaviour.
#include <QPixmap>
#include <QPushButton>

namespace brindle {

// Asks SetIcons for a grey copy of the first icon as the resting icon.
struct AutoGray {};
inline constexpr AutoGray AUTO_GRAY{};

class CButtonST : public QPushButton {
  Q_OBJECT
 public:
  explicit CButtonST(QWidget* parent = nullptr);

  // iconIn shows while hovered or pressed, iconOut at rest (iconIn when
  // null). 1 when iconIn is null (nothing is kept), else 0. Repaints.
  int SetIcons(const QPixmap& iconIn, const QPixmap& iconOut = QPixmap());
  int SetIcons(const QPixmap& iconIn, AutoGray);

  bool IsMouseOver() const { return m_mouseOver; }
  const QPixmap& IconIn() const { return m_iconIn; }
  const QPixmap& IconOut() const { return m_iconOut; }

  // Non-black pixels become grey (0.299 R + 0.587 G + 0.114 B, truncated);
  // black pixels and the transparency stay.
  static QImage GrayCopy(const QImage& icon);
  // Where the focus mark runs: kFocusMarkInset pixels inside the edge.
  static constexpr int kFocusMarkInset = 3;
  static QRect FocusMarkRect(const QRect& item);

 protected:
  // The face; the base class paints nothing. Returns 0.
  virtual int DrawBackground(QPainter& painter, const QRect& rect);
  // A one-pixel 3-D frame on the edge of rect: sunken while pressed, else raised.
  virtual int DrawBorder(QPainter& painter, const QRect& rect);

  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

  bool m_mouseOver = false;
  bool m_pressed = false;
  bool m_focused = false;
  bool m_disabled = false;

 private:
  void ClearHover();
  void DrawIcon(QPainter& painter, const QRect& item, QRect& caption);
  void DrawFocusMark(QPainter& painter, const QRect& item);

  QPixmap m_iconIn;
  QPixmap m_iconOut;
};

}  // namespace brindle
