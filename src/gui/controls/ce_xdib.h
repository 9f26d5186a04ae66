#pragma once
// CCeXDib: an 8-bit image with a 256-entry colour table, the form the shaded
// button faces are rendered in. Rows are numbered as a bottom-up bitmap
// stores them: stored row 0 is the bottom line on screen.
#include <QImage>
#include <QPixmap>
#include <cstdint>

class QPainter;

namespace brindle {

class CCeXDib {
 public:
  static constexpr int kPaletteSize = 256;

  // A new zeroed image (palette all black). Only 8 bits per pixel is
  // supported, the one depth the faces use; false for any other.
  bool Create(int width, int height, int bitsPerPixel);
  // Create with the source's size, then its palette and pixels.
  void Clone(const CCeXDib& source);

  QRgb PaletteEntry(int index) const { return m_image.color(index); }
  void SetPaletteEntry(int index, QRgb color);
  // Every entry and channel c moves towards color's channel k:
  // c := (percent * k + c * (100 - percent)) / 100.
  void BlendPalette(QRgb color, int percent);

  uint8_t* StoredRow(int row);
  uint8_t PixelIndex(int x, int storedRow) const;

  // Device pixels per logical pixel of the image: Draw covers
  // Width() / ratio logical pixels, one image pixel per device pixel.
  void SetDevicePixelRatio(qreal ratio);
  qreal DevicePixelRatio() const { return m_ratio; }

  // Copies the image to painter at (x, y). The converted pixmap is made on
  // first use and kept until the pixels or the palette change.
  void Draw(QPainter& painter, int x, int y) const;

  int Width() const { return m_image.width(); }
  int Height() const { return m_image.height(); }
  const QImage& Image() const { return m_image; }

 private:
  QImage m_image;
  mutable QPixmap m_drawn;  // what Draw copies; null when stale
  qreal m_ratio = 1.0;
};

}  // namespace brindle
