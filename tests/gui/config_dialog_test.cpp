// The settings dialog: where the band boxes of each band area sit, the
// edits shown, the prompt for an edit without an integer, OK and Cancel.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cstring>

#include "app/window_ids.h"
#include "gui/config_dialog.h"
#include "gui/seams/dialog_units.h"
#include "gui/seams/message_box.h"
#include "settings/config_dialog_ids.h"
#include "settings/edit_integer.h"
#include "sim/sim_profile.h"

using namespace brindle;
namespace cd = brindle::config_dialog;

namespace {

// A layout-2 block of model "T53 ": the twelve fixed bands, six per column.
SettingsBlock T53Block() {
  SettingsBlock b{};
  std::memcpy(b.data() + 0x1C, "T53 ", 4);
  const uint8_t bands[12] = {1, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1};
  std::memcpy(b.data() + 0x0B, bands, sizeof bands);
  b[0x0A] = 2;     // time zone
  b[0x18] = 7;     // day start
  b[0x19] = 19;    // night start
  b[0x08] = 0x40;  // frequency number shown
  return b;
}

// The simulated device's counted block with the band counts X, Ku, K, Ka, Laser.
SettingsBlock CountedBlock(const std::array<int, 5>& counts) {
  SettingsBlock b = DefaultSimSettings();
  for (size_t i = 0; i < counts.size(); ++i) b[0x13 + i] = static_cast<uint8_t>(counts[i]);
  return b;
}

}  // namespace

class ConfigDialogTest : public QObject {
  Q_OBJECT
 private:
  IdentityBlock m_identity{};

  QCheckBox* Box(CConfigDialog& d, int id) { return d.findChild<QCheckBox*>(QString::number(id)); }

 private slots:
  void init() {
    CMessageBoxes::ClearAnswers();
    CMessageBoxes::ClearAnswered();
  }

  void BoxesStartAtTheMarkersInFifteenPixelSteps_data() {
    QTest::addColumn<int>("layout");
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("firstColumn");
    SettingsBlock t53 = T53Block();
    QTest::newRow("fixed") << 2 << QByteArray(reinterpret_cast<const char*>(t53.data()), 256) << 12 << 6;
    SettingsBlock other = T53Block();
    std::memcpy(other.data() + 0x1C, "ABCD", 4);
    QTest::newRow("five boxes") << 2 << QByteArray(reinterpret_cast<const char*>(other.data()), 256) << 5
                                << 5;
    const auto counted = DefaultSimSettings();  // layout 3, counts 1,1,4,5,1
    QTest::newRow("counted") << 3 << QByteArray(reinterpret_cast<const char*>(counted.data()), 256) << 12
                             << 7;
  }
  void BoxesStartAtTheMarkersInFifteenPixelSteps() {
    QFETCH(int, layout);
    QFETCH(QByteArray, block);
    QFETCH(int, boxes);
    QFETCH(int, firstColumn);
    SettingsBlock settings{};
    std::memcpy(settings.data(), block.constData(), 256);
    CConfigDialog dialog;
    dialog.Prepare("Setting", layout, m_identity, &settings);
    const DialogBaseUnits base = BaseUnitsOf(dialog.font());
    QCOMPARE(dialog.size(), DialogUnitsToPixels(QSize(406, 191), base));
    const QRect first = DialogUnitsToPixels(QRect(7, 7, 122, 10), base);
    const QRect second = DialogUnitsToPixels(QRect(136, 7, 122, 10), base);
    QCOMPARE(Box(dialog, cd::kFirstColumnMarker)->geometry(), first);
    QVERIFY(Box(dialog, cd::kFirstColumnMarker)->isHidden());
    QVERIFY(Box(dialog, cd::kSecondColumnMarker)->isHidden());
    for (int i = 0; i < boxes; ++i) {
      QCheckBox* box = Box(dialog, cd::kFirstBandBoxId + i);
      QVERIFY2(box, qPrintable(QString::number(cd::kFirstBandBoxId + i)));
      const QRect column = i < firstColumn ? first : second;
      const int row = i < firstColumn ? i : i - firstColumn;
      QCOMPARE(box->geometry(), QRect(column.left(), column.top() + row * (first.height() + 15),
                                      column.width(), first.height()));
      QVERIFY(!box->isHidden());
    }
    QVERIFY(!Box(dialog, cd::kFirstBandBoxId + boxes));
  }

  void EveryBandBoxIsVisibleAndReachable_data() {
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<bool>("grows");
    QTest::newRow("12 entries") << QList<int>{1, 1, 4, 5, 1} << false;
    QTest::newRow("15 entries") << QList<int>{2, 2, 4, 5, 2} << true;
    QTest::newRow("16 entries") << QList<int>{2, 2, 5, 5, 2} << true;
    QTest::newRow("20 entries") << QList<int>{3, 3, 6, 6, 2} << true;
    QTest::newRow("24 entries") << QList<int>{4, 4, 6, 6, 4} << true;
  }
  void EveryBandBoxIsVisibleAndReachable() {
    QFETCH(QList<int>, counts);
    QFETCH(bool, grows);
    SettingsBlock settings = CountedBlock({counts[0], counts[1], counts[2], counts[3], counts[4]});
    CConfigDialog dialog;
    dialog.Prepare("Setting", 3, m_identity, &settings);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QSize templateSize = DialogUnitsToPixels(QSize(406, 191), BaseUnitsOf(dialog.font()));
    QCOMPARE(dialog.width(), templateSize.width());
    QCOMPARE(dialog.height() > templateSize.height(), grows);

    int entries = 0;
    for (int c : counts) entries += c;
    std::vector<QWidget*> others;
    for (const int id : {cd::kIdOk, cd::kIdCancel, cd::kFrequencyBox, cd::kTimeZoneEdit, cd::kTimeZoneLabel,
                         cd::kDayStartEdit, cd::kDayStartLabel, cd::kNightStartEdit, cd::kNightStartLabel}) {
      QWidget* w = dialog.findChild<QWidget*>(QString::number(id));
      if (w && w->isVisible()) others.push_back(w);
    }
    for (int i = 0; i < entries; ++i) {
      QCheckBox* box = Box(dialog, cd::kFirstBandBoxId + i);
      QVERIFY2(box && box->isVisible(), qPrintable(QString::number(cd::kFirstBandBoxId + i)));
      const QRect r = box->geometry();
      QVERIFY2(dialog.rect().contains(r), qPrintable(QString::number(cd::kFirstBandBoxId + i)));
      for (QWidget* w : others)
        QVERIFY2(!r.intersects(w->geometry()),
                 qPrintable(QStringLiteral("%1 under %2").arg(cd::kFirstBandBoxId + i).arg(w->objectName())));
      // Nothing lies over the box: a click on it reaches it and ticks it.
      QCOMPARE(dialog.childAt(r.center()), box);
      const bool before = box->isChecked();
      QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                        r.topLeft() + QPoint(r.height() / 2, r.height() / 2));
      QVERIFY2(box->isChecked() != before, qPrintable(QString::number(cd::kFirstBandBoxId + i)));
    }
    // OK and Cancel stay inside the dialog.
    for (const int id : {cd::kIdOk, cd::kIdCancel})
      QVERIFY(dialog.rect().contains(dialog.findChild<QWidget*>(QString::number(id))->geometry()));
  }

  void EditsSelectTheirTextAndTabRunsInReadingOrder() {
    SettingsBlock settings = T53Block();
    CConfigDialog dialog;
    dialog.Prepare("Setting", 2, m_identity, &settings);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    // The dialog opens in the first edit with its value selected.
    auto* timeZone = dialog.findChild<QLineEdit*>(QString::number(cd::kTimeZoneEdit));
    QCOMPARE(dialog.focusWidget(), timeZone);
    QCOMPARE(timeZone->selectedText(), timeZone->text());
    QTest::keyClicks(timeZone, QStringLiteral("-3"));
    QCOMPARE(timeZone->text(), QStringLiteral("-3"));

    // Tab from the first band box: the boxes column by column, the
    // frequency box, the edits (each arriving with its value selected),
    // OK and Cancel, and round again.
    QStringList expected;
    for (int i = 0; i < 12; ++i) expected << QString::number(cd::kFirstBandBoxId + i);
    for (const int id : {cd::kFrequencyBox, cd::kTimeZoneEdit, cd::kDayStartEdit, cd::kNightStartEdit,
                         cd::kIdOk, cd::kIdCancel, cd::kFirstBandBoxId})
      expected << QString::number(id);
    Box(dialog, cd::kFirstBandBoxId)->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
      QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
      QWidget* now = dialog.focusWidget();
      visited << now->objectName();
      if (auto* edit = qobject_cast<QLineEdit*>(now))
        QVERIFY2(edit->hasSelectedText() && edit->selectedText() == edit->text(),
                 qPrintable(edit->objectName()));
    }
    QCOMPARE(visited, expected.mid(1) << QString::number(cd::kFirstBandBoxId + 1));
  }

  void FixedLayoutShowsCaptionsTicksAndEdits() {
    SettingsBlock settings = T53Block();
    CConfigDialog dialog;
    dialog.Prepare("Setting", 2, m_identity, &settings);
    QVERIFY(dialog.windowTitle().startsWith(QStringLiteral("Setting     Program Version:")));
    QCOMPARE(Box(dialog, cd::kFirstBandBoxId)->text(), QStringLiteral("X Band(10.480~10.720)"));
    QCOMPARE(Box(dialog, 111)->text(), QStringLiteral("Laser Band"));
    const bool ticks[12] = {1, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1};
    for (int i = 0; i < 12; ++i) QCOMPARE(Box(dialog, cd::kFirstBandBoxId + i)->isChecked(), ticks[i]);
    QCOMPARE(dialog.findChild<QLineEdit*>(QString::number(cd::kTimeZoneEdit))->text(), QStringLiteral("2"));
    QCOMPARE(dialog.findChild<QLineEdit*>(QString::number(cd::kDayStartEdit))->text(), QStringLiteral("7"));
    QCOMPARE(dialog.findChild<QLineEdit*>(QString::number(cd::kNightStartEdit))->text(),
             QStringLiteral("19"));
    QVERIFY(!Box(dialog, cd::kFrequencyBox)->isHidden());
    QVERIFY(Box(dialog, cd::kFrequencyBox)->isChecked());
    QVERIFY(Box(dialog, cd::kTwelveHourBox)->isHidden());
  }

  void EditWithoutAnIntegerIsPromptedAndTheDialogStaysOpen() {
    SettingsBlock settings = T53Block();
    const SettingsBlock before = settings;
    CConfigDialog dialog;
    dialog.Prepare("Setting", 2, m_identity, &settings);
    dialog.show();
    dialog.findChild<QLineEdit*>(QString::number(cd::kDayStartEdit))->setText(QStringLiteral("seven"));
    CMessageBoxes::SetNextAnswer(IDOK);
    dialog.findChild<QPushButton*>(QString::number(cd::kIdOk))->click();
    QCOMPARE(CMessageBoxes::Answered().size(), size_t(1));
    QCOMPARE(CMessageBoxes::Answered()[0].text, std::string(kNotAnIntegerPrompt));
    QVERIFY(dialog.isVisible());
    QVERIFY(settings == before);
  }

  void OutOfRangeValueIsRefusedWithItsText() {
    SettingsBlock settings = T53Block();
    const SettingsBlock before = settings;
    CConfigDialog dialog;
    dialog.Prepare("Setting", 2, m_identity, &settings);
    dialog.show();
    dialog.findChild<QLineEdit*>(QString::number(cd::kTimeZoneEdit))->setText(QStringLiteral("14"));
    CMessageBoxes::SetNextAnswer(IDOK);
    dialog.findChild<QPushButton*>(QString::number(cd::kIdOk))->click();
    QCOMPARE(CMessageBoxes::Answered().size(), size_t(1));
    QCOMPARE(CMessageBoxes::Answered()[0].text, std::string(kTimeZoneError));
    QCOMPARE(CMessageBoxes::Answered()[0].look.icon, QMessageBox::Critical);
    QVERIFY(dialog.isVisible());
    QVERIFY(settings == before);
  }

  void OkWritesTheUsersValuesAndCancelNothing() {
    SettingsBlock settings = T53Block();
    // OK: untick X, set the time zone to -5.
    QTimer::singleShot(0, this, [] {
      auto* dialog = qobject_cast<CConfigDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      dialog->findChild<QCheckBox*>(QString::number(cd::kFirstBandBoxId))->setChecked(false);
      dialog->findChild<QLineEdit*>(QString::number(cd::kTimeZoneEdit))->setText(QStringLiteral(" -5 "));
      dialog->findChild<QPushButton*>(QString::number(cd::kIdOk))->click();
    });
    CConfigDialog dialog;
    QCOMPARE(dialog.ShowSettings("Setting", 2, m_identity, &settings), IDOK);
    QCOMPARE(settings[0x0B], uint8_t(0));
    QCOMPARE(settings[0x0A], uint8_t(0xFB));
    QCOMPARE(settings[0x0D], uint8_t(1));
    QVERIFY(!Box(dialog, cd::kFirstBandBoxId));  // the run's boxes are gone

    // Cancel, and Esc, change nothing.
    const SettingsBlock before = settings;
    QTimer::singleShot(0, this, [] {
      auto* d = qobject_cast<CConfigDialog*>(QApplication::activeModalWidget());
      QVERIFY(d);
      d->findChild<QCheckBox*>(QString::number(cd::kFirstBandBoxId + 1))->setChecked(true);
      d->findChild<QPushButton*>(QString::number(cd::kIdCancel))->click();
    });
    QCOMPARE(dialog.ShowSettings("Setting", 2, m_identity, &settings), IDCANCEL);
    QTimer::singleShot(0, this, [] {
      auto* d = QApplication::activeModalWidget();
      QVERIFY(d);
      QTest::keyClick(d, Qt::Key_Escape);
    });
    QCOMPARE(dialog.ShowSettings("Setting", 2, m_identity, &settings), IDCANCEL);
    QVERIFY(settings == before);
    QCOMPARE(dialog.ShowSettings("Setting", 2, m_identity, nullptr), IDCANCEL);
  }
};

QTEST_MAIN(ConfigDialogTest)
#include "config_dialog_test.moc"
