#pragma once
// CShadeButtonST: a CButtonST whose face is one of two prepared shaded
// images, rendered once by BuildShade; a paint only copies one of them.
#include "gui/controls/button_st.h"
#include "gui/controls/ce_xdib.h"
#include "gui/controls/shade_faces.h"

namespace brindle {

class CShadeButtonST : public CButtonST {
  Q_OBJECT
 public:
  using CButtonST::CButtonST;

  // Renders both faces for the button's current size in device pixels
  // and the palette's shadow (Dark), face (Button) and highlight (Light)
  // colours. The faces are not rebuilt on resize or palette change, only
  // when the button comes to a screen of another pixel ratio. The grain
  // continues one sequence across all buttons of the process, unless
  // random is given.
  void BuildShade();
  void BuildShade(CShadeRandom& random);

  const CCeXDib& NormalFace() const { return m_normalFace; }
  const CCeXDib& HoverFace() const { return m_hoverFace; }

 protected:
  int DrawBackground(QPainter& painter, const QRect& rect) override;

 private:
  CCeXDib m_normalFace;
  CCeXDib m_hoverFace;
};

}  // namespace brindle
