// The shaded buttons: the faces BuildShade renders (palette and pixel
// ranges) and which face, offset and border a paint shows in each state.
#include <QEnterEvent>
#include <QtTest>

#include "gui/controls/shade_button_st.h"
#include "gui/controls/shade_faces.h"

using namespace brindle;

namespace {

const ShadeColors kColors{qRgb(128, 128, 128), qRgb(212, 208, 200), qRgb(255, 255, 255)};

// Shows the button with the mouse away from it.
bool ShowAway(CShadeButtonST& button) {
  button.show();
  if (!QTest::qWaitForWindowExposed(&button)) return false;
  button.clearFocus();
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&button, &leave);
  return !button.IsMouseOver();
}

QImage Render(QWidget& w) {
  QImage image(w.size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

}  // namespace

class ShadeButtonTest : public QObject {
  Q_OBJECT
 private slots:
  void GrainFollowsTheRuntimeSequence() {
    // The C runtime's rand() after srand(1).
    CShadeRandom random;
    QCOMPARE(random.Next(), 41);
    QCOMPARE(random.Next(), 18467);
    QCOMPARE(random.Next(), 6334);
    QCOMPARE(random.Next(), 26500);
  }

  void PaletteRunsFromShadowToHighlightTinted_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<uint>("normal");
    QTest::addColumn<uint>("hover");
    // Worked by hand: shade entry, then 5% towards (0x37, 0x37, 0xFF), then
    // for the hover face 20% towards the highlight.
    QTest::newRow("0 shadow") << 0 << uint(qRgb(124, 124, 134)) << uint(qRgb(150, 150, 158));
    QTest::newRow("64 between") << 64 << uint(qRgb(164, 162, 168)) << uint(qRgb(182, 180, 185));
    QTest::newRow("128 overwritten") << 128 << uint(qRgb(204, 200, 202)) << uint(qRgb(214, 211, 212));
    QTest::newRow("255 highlight") << 255 << uint(qRgb(245, 245, 255)) << uint(qRgb(247, 247, 255));
  }
  void PaletteRunsFromShadowToHighlightTinted() {
    QFETCH(int, index);
    QFETCH(uint, normal);
    QFETCH(uint, hover);
    CShadeRandom random;
    CCeXDib normalFace, hoverFace;
    QVERIFY(BuildShadeFaces(10, 28, kColors, random, normalFace, hoverFace));
    QCOMPARE(normalFace.Image().format(), QImage::Format_Indexed8);
    QCOMPARE(normalFace.Image().colorCount(), 256);
    QCOMPARE(uint(normalFace.PaletteEntry(index)), normal);
    QCOMPARE(uint(hoverFace.PaletteEntry(index)), hover);
  }

  void EveryRowLiesInItsBandOfSeventeenEntries_data() {
    QTest::addColumn<int>("height");
    QTest::newRow("one pixel") << 1;
    QTest::newRow("two pixels") << 2;
    QTest::newRow("button") << 45;
    QTest::newRow("tall") << 300;
  }
  void EveryRowLiesInItsBandOfSeventeenEntries() {
    QFETCH(int, height);
    CShadeRandom random;
    CCeXDib normalFace, hoverFace;
    QVERIFY(BuildShadeFaces(120, height, kColors, random, normalFace, hoverFace));
    int lowest = 255, highest = 0;
    for (int r = 0; r < height; ++r) {
      const int base = r * 239 / height;
      for (int x = 0; x < 120; ++x) {
        const int v = normalFace.PixelIndex(x, r);
        QVERIFY2(v >= base && v <= base + 16,
                 qPrintable(QStringLiteral("row %1 x %2: %3").arg(r).arg(x).arg(v)));
        QCOMPARE(int(hoverFace.PixelIndex(x, r)), v);
        if (r == 0) {
          lowest = std::min(lowest, v);
          highest = std::max(highest, v);
        }
      }
    }
    // The grain varies within the row.
    QVERIFY(highest > lowest);
    // Stored row 0 is the bottom line on screen: dark at the bottom, light on top.
    QVERIFY(normalFace.Image().constScanLine(height - 1)[0] <= 16);
    QVERIFY(normalFace.Image().constScanLine(0)[0] >= (height - 1) * 239 / height);
  }

  void EmptySizeGivesNoFaces() {
    CShadeRandom random;
    CCeXDib normalFace, hoverFace;
    QVERIFY(!BuildShadeFaces(0, 10, kColors, random, normalFace, hoverFace));
    QVERIFY(normalFace.Image().isNull());
    QVERIFY(hoverFace.Image().isNull());
  }

  void StatesShowTheirFaceOffsetAndBorder() {
    CShadeButtonST button;
    button.resize(120, 40);
    CShadeRandom random;
    button.BuildShade(random);
    QVERIFY(ShowAway(button));
    const QImage normal = button.NormalFace().Image();
    const QImage hover = button.HoverFace().Image();
    const QRgb light = button.palette().color(QPalette::Light).rgb();
    const QRgb dark = button.palette().color(QPalette::Dark).rgb();
    const int w = button.width(), h = button.height();

    // At rest: the normal face at (0, 0), no border.
    QCOMPARE(Render(button), normal.convertToFormat(QImage::Format_RGB32));

    // Pressed from the keyboard, mouse elsewhere: normal face, sunken border.
    button.setDown(true);
    QImage image = Render(button);
    QCOMPARE(image.pixel(5, 0), dark);
    QCOMPARE(image.pixel(5, h - 1), light);
    QCOMPARE(image.pixel(5, 5), normal.pixel(5, 5));
    button.setDown(false);

    // Hovered: the hover face and a raised border.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&button, &enter);
    QVERIFY(button.IsMouseOver());
    image = Render(button);
    QCOMPARE(image.pixel(5, 0), light);
    QCOMPARE(image.pixel(0, 5), light);
    QCOMPARE(image.pixel(5, h - 1), dark);
    QCOMPARE(image.pixel(w - 1, 5), dark);
    for (int y = 1; y < h - 1; ++y)
      for (int x = 1; x < w - 1; ++x) QCOMPARE(image.pixel(x, y), hover.pixel(x, y));

    // Pressed while hovered: the hover face one pixel right and down.
    button.setDown(true);
    image = Render(button);
    QCOMPARE(image.pixel(5, 0), dark);
    QCOMPARE(image.pixel(5, h - 1), light);
    for (int y = 1; y < h - 1; ++y)
      for (int x = 1; x < w - 1; ++x) QCOMPARE(image.pixel(x, y), hover.pixel(x - 1, y - 1));
    button.setDown(false);

    // Leaving and disabling end the hover.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    QVERIFY(!button.IsMouseOver());
  }

  void DragFromElsewhereDoesNotLightTheButton() {
    CShadeButtonST button;
    button.resize(80, 30);
    QVERIFY(ShowAway(button));
    QTest::mousePress(button.window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&button, &enter);
    QVERIFY(!button.IsMouseOver());
    QTest::mouseRelease(button.window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
  }

  void FocusedButtonShowsADottedMarkInside() {
    CShadeButtonST button;
    button.resize(120, 40);
    CShadeRandom random;
    button.BuildShade(random);
    QVERIFY(ShowAway(button));
    button.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&button));
    button.clearFocus();
    const QImage plain = Render(button);
    button.setFocus();
    QVERIFY(button.hasFocus());
    const QImage focused = Render(button);
    const QRect mark = CButtonST::FocusMarkRect(button.rect());
    const QRgb dark = button.palette().color(QPalette::Active, QPalette::Dark).rgb();
    int marked = 0;
    for (int y = 0; y < plain.height(); ++y) {
      for (int x = 0; x < plain.width(); ++x) {
        if (plain.pixel(x, y) == focused.pixel(x, y)) continue;
        // Only the frame's outline changes, and only to the shadow colour.
        const bool onOutline = mark.contains(x, y) && (x == mark.left() || x == mark.right() ||
                                                       y == mark.top() || y == mark.bottom());
        QVERIFY2(onOutline, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        QCOMPARE(focused.pixel(x, y), dark);
        ++marked;
      }
    }
    // Dotted: about every other pixel of the outline, never all of it.
    const int outline = 2 * (mark.width() + mark.height()) - 4;
    QVERIFY2(marked >= outline / 3 && marked < outline, qPrintable(QString::number(marked)));
  }

  void DisabledCaptionIsEmbossedInTheShadowColour() {
    CShadeButtonST button;
    button.resize(120, 40);
    CShadeRandom random;
    button.BuildShade(random);
    button.setText(QStringLiteral("Update"));
    QVERIFY(ShowAway(button));
    button.setEnabled(false);
    const QImage captioned = Render(button);
    button.setText(QString());
    const QImage bare = Render(button);
    const QColor shadow = button.palette().color(QPalette::Active, QPalette::Dark);
    const QColor light = button.palette().color(QPalette::Active, QPalette::Light);
    // The caption's pixels: the darkest is the shadow colour, the lightest
    // the highlight (antialiased edges lie between).
    int darkest = 255, lightest = 0, pixels = 0;
    for (int y = 0; y < bare.height(); ++y) {
      for (int x = 0; x < bare.width(); ++x) {
        if (captioned.pixel(x, y) == bare.pixel(x, y)) continue;
        darkest = std::min(darkest, qGray(captioned.pixel(x, y)));
        lightest = std::max(lightest, qGray(captioned.pixel(x, y)));
        ++pixels;
      }
    }
    QVERIFY2(pixels > 40, qPrintable(QString::number(pixels)));
    QVERIFY2(std::abs(darkest - qGray(shadow.rgb())) <= 4,
             qPrintable(QStringLiteral("%1 vs %2").arg(darkest).arg(qGray(shadow.rgb()))));
    QVERIFY2(std::abs(lightest - qGray(light.rgb())) <= 4,
             qPrintable(QStringLiteral("%1 vs %2").arg(lightest).arg(qGray(light.rgb()))));
  }

  void AutoGrayRestsGreyAndHoversInColour() {
    QImage icon(4, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, qRgba(0, 0, 0, 255));       // black stays black
    icon.setPixel(1, 0, qRgba(200, 100, 50, 255));  // 59.8 + 58.7 + 5.7 = 124.2
    icon.setPixel(2, 0, qRgba(0, 0, 255, 0));       // transparent: colour greyed, mask kept
    icon.setPixel(3, 0, qRgba(255, 255, 255, 255));
    CShadeButtonST button;
    QCOMPARE(button.SetIcons(QPixmap::fromImage(icon), AUTO_GRAY), 0);
    const QImage gray = button.IconOut().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(gray.pixel(0, 0), qRgba(0, 0, 0, 255));
    QCOMPARE(gray.pixel(1, 0), qRgba(124, 124, 124, 255));
    QCOMPARE(qAlpha(gray.pixel(2, 0)), 0);
    QCOMPARE(gray.pixel(3, 0), qRgba(255, 255, 255, 255));
    QCOMPARE(button.IconIn().toImage().convertToFormat(QImage::Format_ARGB32).pixel(1, 0),
             qRgba(200, 100, 50, 255));
    QCOMPARE(button.SetIcons(QPixmap()), 1);
    QVERIFY(button.IconIn().isNull());
  }
};

QTEST_MAIN(ShadeButtonTest)
#include "shade_button_test.moc"
