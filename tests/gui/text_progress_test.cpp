// The text progress bar: bar and text colours split at the truncated
// position, the text it shows, and when it repaints.
#include <QAccessible>
#include <QtTest>

#include "gui/controls/text_progress_ctrl.h"

using namespace brindle;

class TextProgressTest : public QObject {
  Q_OBJECT
 private:
  // A shown bar, 40 pixels high, whose text is drawn without smoothing, so
  // every pixel is one of the four colours.
  std::unique_ptr<CTextProgressCtrl> MakeBar(int width = 300) {
    auto bar = std::make_unique<CTextProgressCtrl>();
    QFont font = bar->font();
    font.setStyleStrategy(QFont::NoAntialias);
    bar->setFont(font);
    bar->resize(width, 40);
    bar->show();
    if (!QTest::qWaitForWindowExposed(bar.get())) return nullptr;
    return bar;
  }

  static QImage Render(CTextProgressCtrl& bar) {
    QImage image(bar.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    bar.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
  }

 private slots:
  void AssistiveTechnologySeesAProgressBar() {
    auto bar = MakeBar();
    QVERIFY(bar);
    bar->setAccessibleName(QStringLiteral("Progress"));
    QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(bar.get());
    QVERIFY(a11y);
    QCOMPARE(a11y->role(), QAccessible::ProgressBar);
    QCOMPARE(a11y->text(QAccessible::Name), QStringLiteral("Progress"));
    QAccessibleValueInterface* value = a11y->valueInterface();
    QVERIFY(value);
    bar->SetRange(0, 200);
    bar->SetPos(74);
    QCOMPARE(value->currentValue().toInt(), 74);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 200);
    QCOMPARE(a11y->text(QAccessible::Value), QStringLiteral("37%"));
    bar->SetWindowText(QStringLiteral("updating"));
    QCOMPARE(a11y->text(QAccessible::Value), QStringLiteral("updating"));
    // The user cannot move it.
    value->setCurrentValue(10);
    QCOMPARE(bar->Pos(), 74);
    QVERIFY(!a11y->state().disabled);
  }

  void ColoursAreDistinct() {
    CTextProgressCtrl bar;
    const QList<QRgb> colours{bar.BarColor().rgb(), bar.BackColor().rgb(), bar.TextColor().rgb(),
                              bar.TextOnBarColor().rgb()};
    for (int i = 0; i < colours.size(); ++i)
      for (int j = i + 1; j < colours.size(); ++j) QVERIFY(colours[i] != colours[j]);
  }

  void BarAndTextSplitAtTheTruncatedPosition_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("split");
    QTest::addColumn<QString>("percent");
    // 300 pixels wide.
    QTest::newRow("37 of 0..100") << 0 << 100 << 37 << 111 << "37%";
    QTest::newRow("a third truncates") << 0 << 3 << 1 << 100 << "33%";
    QTest::newRow("offset range") << 1000 << 2000 << 1999 << 299 << "99%";
    QTest::newRow("beyond max") << 0 << 100 << 150 << 450 << "150%";
    QTest::newRow("below min") << 10 << 20 << 5 << -150 << "-50%";
  }
  void BarAndTextSplitAtTheTruncatedPosition() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, pos);
    QFETCH(int, split);
    QFETCH(QString, percent);
    auto bar = MakeBar();
    QVERIFY(bar);
    bar->SetRange(min, max);
    bar->SetPos(pos);
    QCOMPARE(bar->SplitX(), split);
    QCOMPARE(bar->DisplayedText(), percent);
    const QString text = QStringLiteral("Updated 55.55%   Time 12 Second");
    bar->SetWindowText(text);
    const int textWidth = QFontMetrics(bar->font()).horizontalAdvance(text);
    const int textLeft = (bar->width() - textWidth) / 2;
    const int textRight = textLeft + textWidth;
    const QImage image = Render(*bar);
    int textOnBar = 0, textOffBar = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        if (x < split) {
          QVERIFY(p == bar->BarColor().rgb() || p == bar->TextOnBarColor().rgb());
          textOnBar += p == bar->TextOnBarColor().rgb();
        } else {
          QVERIFY(p == bar->BackColor().rgb() || p == bar->TextColor().rgb());
          textOffBar += p == bar->TextColor().rgb();
        }
      }
    }
    // Each colour of text shows exactly where the text reaches that part.
    QCOMPARE(textOnBar > 0, split > textLeft + 2);
    QCOMPARE(textOffBar > 0, split < textRight - 2);
  }

  void TextHalvesJoinAtTheSplit() {
    // The same text with the bar at 0 and at full width gives the same
    // glyph pixels as the two-colour text at any split.
    auto bar = MakeBar();
    QVERIFY(bar);
    bar->SetWindowText(QStringLiteral("Updated 55.55%   Time 12 Second"));
    bar->SetPos(0);
    const QImage empty = Render(*bar);
    bar->SetPos(50);
    const QImage half = Render(*bar);
    for (int y = 0; y < half.height(); ++y)
      for (int x = 0; x < half.width(); ++x) {
        const bool glyph = empty.pixel(x, y) == bar->TextColor().rgb();
        const QRgb p = half.pixel(x, y);
        QCOMPARE(glyph, p == bar->TextColor().rgb() || p == bar->TextOnBarColor().rgb());
      }
  }

  void EmptyRangeDrawsNothing() {
    auto bar = MakeBar();
    QVERIFY(bar);
    bar->SetRange(5, 5);
    bar->SetPos(5);
    const QImage image = Render(*bar);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) QCOMPARE(image.pixel(x, y), qRgb(255, 0, 255));
  }

  void SetPosRepaintsOnlyWhenTheWidthChanges() {
    auto bar = MakeBar(200);
    QVERIFY(bar);
    bar->SetRange(0, 1000);
    const int start = bar->PaintCount();
    QCOMPARE(bar->SetPos(100), 0);  // 20 px
    QCOMPARE(bar->PaintCount(), start + 1);
    QCOMPARE(bar->SetPos(101), 100);  // 20.2 px: still 20
    QCOMPARE(bar->PaintCount(), start + 1);
    bar->SetPos(105);  // 21 px
    QCOMPARE(bar->PaintCount(), start + 2);
    bar->resize(300, 40);
    QCoreApplication::processEvents();
    const int afterResize = bar->PaintCount();
    bar->SetPos(105);  // same position, new size: repaints
    QCOMPARE(bar->PaintCount(), afterResize + 1);
  }

  void WindowTextReplacesThePercentage() {
    auto bar = MakeBar();
    QVERIFY(bar);
    bar->SetPos(10);
    QCOMPARE(bar->DisplayedText(), QStringLiteral("10%"));
    const int start = bar->PaintCount();
    bar->SetWindowText(QStringLiteral("Sending"));
    QCOMPARE(bar->DisplayedText(), QStringLiteral("Sending"));
    QCOMPARE(bar->PaintCount(), start + 1);
    bar->SetWindowText(QStringLiteral("Sending"));
    QCOMPARE(bar->PaintCount(), start + 1);
    bar->SetWindowText(QString());
    QCOMPARE(bar->DisplayedText(), QStringLiteral("10%"));
    QCOMPARE(bar->PaintCount(), start + 2);
  }
};

QTEST_MAIN(TextProgressTest)
#include "text_progress_test.moc"
