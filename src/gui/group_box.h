#pragma once
// CGroupBox: a group box drawn the way the window's template was laid out
// for: an etched frame whose top edge runs through the middle of the title,
// the title on a cleared gap of that edge. The template's controls then sit
// centred in the frame; a style that puts the frame below the title would
// push them against its top edge.
#include <QGroupBox>

namespace brindle {

class CGroupBox : public QGroupBox {
  Q_OBJECT
 public:
  using QGroupBox::QGroupBox;

  // The outer edge of the frame in the box's coordinates.
  QRect FrameRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace brindle
