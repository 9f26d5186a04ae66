// The main window on a screen of more than one device pixel per logical
// pixel (CTest runs this at QT_SCALE_FACTOR 2 and 1.5): banner, icons and
// shaded faces are drawn for the device pixels, and a screenshot of the
// window has the physical size with every part painted.
#include <QLabel>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>

#include "app/window_ids.h"
#include "gui/brindle_dlg.h"
#include "gui/controls/shade_button_st.h"
#include "sim/sim_backend.h"

using namespace brindle;

namespace {

// The share of pixels of row y of face that the screenshot shows one to
// one from device pixel (ox, oy) on, over face columns x0..x1: 1 when the
// face is drawn for the device pixels.
double ShownOneToOne(const QImage& shot, const QImage& face, int ox, int oy, int y, int x0, int x1) {
  int same = 0;
  for (int x = x0; x < x1; ++x) same += shot.pixel(ox + x, oy + y) == face.pixel(x, y);
  return double(same) / (x1 - x0);
}

}  // namespace

class HiDpiTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir m_locks;

 private slots:
  void WindowIsDrawnForItsDevicePixels() {
    const qreal ratio = qApp->devicePixelRatio();
    QVERIFY2(ratio > 1, "run with QT_SCALE_FACTOR above 1");
    auto sim = std::make_shared<CSimDevice>(DefaultSimProfile());
    sim->Unplug();
    CBrindleDlg dlg(std::make_shared<CSimBackend>(sim));
    dlg.Hid().SetLockFolder(m_locks.path().toStdString());
    dlg.InitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.devicePixelRatioF(), ratio);

    // The screenshot has the physical size.
    const QPixmap shot = dlg.grab();
    QCOMPARE(shot.devicePixelRatio(), ratio);
    QVERIFY2(std::abs(shot.width() - dlg.width() * ratio) < 1 &&
                 std::abs(shot.height() - dlg.height() * ratio) < 1,
             qPrintable(QStringLiteral("%1x%2").arg(shot.width()).arg(shot.height())));
    const QImage image = shot.toImage();

    // The banner is drawn at the ratio and covers its whole place, to the
    // last device pixel.
    auto* banner = dlg.findChild<QLabel*>(QString::number(kIdBanner));
    const QPixmap art = banner->pixmap();
    QCOMPARE(art.devicePixelRatio(), ratio);
    QVERIFY(art.width() >= banner->width() * ratio && art.height() >= banner->height() * ratio);
    const QRgb background = dlg.palette().color(QPalette::Window).rgb();
    const QRect place = banner->geometry();
    const int right = qFloor((place.right() + 1) * ratio) - 1;
    const int bottom = qFloor((place.bottom() + 1) * ratio) - 1;
    for (int x = 0; x <= right; ++x)
      QVERIFY2(image.pixel(x, bottom) != background, qPrintable(QString::number(x)));
    for (int y = 0; y <= bottom; ++y)
      QVERIFY2(image.pixel(right, y) != background, qPrintable(QString::number(y)));

    for (const int id : {kIdOpenButton, kIdSettingButton, kIdUpdateButton, kIdCloseButton}) {
      auto* button = dlg.findChild<CShadeButtonST*>(QString::number(id));
      QVERIFY(button);
      // Icons at the ratio: 24 or 32 logical pixels of device pixels.
      const QPixmap& icon = button->IconIn();
      QCOMPARE(icon.devicePixelRatio(), ratio);
      QCOMPARE(icon.width(), qRound(icon.deviceIndependentSize().width() * ratio));
      QVERIFY(icon.deviceIndependentSize().width() == 24 || icon.deviceIndependentSize().width() == 32);
      // Faces with one image pixel per device pixel.
      QCOMPARE(button->NormalFace().Width(), qCeil(button->width() * ratio));
      QCOMPARE(button->NormalFace().Height(), qCeil(button->height() * ratio));
      // And so they look: a row near the top, right of the icon and above
      // the caption, shows the face pixel for pixel (a fractional origin
      // lands on either neighbouring device pixel).
      const QRect g = button->geometry();
      const QImage face = button->NormalFace().Image();
      const int y = qRound(2 * ratio);
      const int x0 = qRound((icon.deviceIndependentSize().width() + 8) * ratio);
      const int x1 = face.width() - qRound(4 * ratio);
      double best = 0;
      for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
          best = std::max(best, ShownOneToOne(image, face, qRound(g.left() * ratio) + dx,
                                              qRound(g.top() * ratio) + dy, y, x0, x1));
      QVERIFY2(best > 0.95, qPrintable(QStringLiteral("%1: %2").arg(id).arg(best)));
    }
  }
};

QTEST_MAIN(HiDpiTest)
#include "hidpi_test.moc"
