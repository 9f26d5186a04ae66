// The real main window on the simulated device: the template's layout, the
// title sequence of a connection, posted messages and worker calls across
// threads, an update driven from the buttons, and closing.
#include <QAbstractButton>
#include <QAccessible>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <future>
#include <thread>

#include "app/window_texts.h"
#include "core/model_tag.h"
#include "gui/brindle_dlg.h"
#include "gui/config_dialog.h"
#include "gui/controls/text_progress_ctrl.h"
#include "gui/seams/dialog_units.h"
#include "gui/seams/file_open_dialog.h"
#include "gui/seams/message_box.h"
#include "gui/sim_hotplug.h"
#include "gui/status_text.h"
#include "settings/config_dialog_ids.h"
#include "sim/sim_backend.h"
#include "update/transfer_layout.h"
#include "update/update_outcomes.h"
#include "update/update_packer.h"
#include "update/update_parser.h"

using namespace brindle;
namespace cd = brindle::config_dialog;

namespace {

// The simulated device's model code (default settings block).
constexpr uint32_t kSimModel = MakeTag('B', 'R', '0', '1');

// Timer events of the window's timer 1, with the time each arrived.
class CTimerWatch : public QObject {
 public:
  std::vector<qint64> ticks;  // milliseconds since start
  QStringList progressTexts;  // the bar's text at each tick
  CTextProgressCtrl* bar = nullptr;
  QElapsedTimer clock;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Timer && watched->objectName() == QLatin1String("timer1")) {
      ticks.push_back(clock.elapsed());
      if (bar && (progressTexts.isEmpty() || progressTexts.back() != bar->WindowText()))
        progressTexts << bar->WindowText();
    }
    return false;
  }
};

}  // namespace

class BrindleDlgTest : public QObject {
  Q_OBJECT
 private:
  std::shared_ptr<CSimDevice> m_sim;
  std::unique_ptr<CBrindleDlg> m_dlg;
  QTemporaryDir m_locks;
  QTemporaryDir m_files;

  void Start(const SimProfile& profile = DefaultSimProfile(), bool plugged = true) {
    m_sim = std::make_shared<CSimDevice>(profile);
    if (!plugged) m_sim->Unplug();
    m_dlg = std::make_unique<CBrindleDlg>(std::make_shared<CSimBackend>(m_sim));
    m_dlg->Hid().SetLockFolder(m_locks.path().toStdString());
    m_dlg->InitDialog();
    m_dlg->show();
  }
  QString Title(const char* state) const { return QString::fromUtf8(text::kTitle) + state; }
  QAbstractButton* Button(int id) const { return m_dlg->findChild<QAbstractButton*>(QString::number(id)); }
  bool Identified() const {
    return m_dlg->windowTitle().startsWith(Title(text::kConnected) + text::kVersionPrefix);
  }
  std::string WriteUpdateFile(size_t scale) {
    UpdatePackInput input;
    input.producerName = CBuildConfig::Default().companyName;
    input.a.assign(0x7000 / scale, 0xA1);
    input.c.assign(0xC8000 / scale, 0xC3);
    input.d.assign(0x200000 / scale, 0xD4);
    input.e.assign(0x522000 / scale, 0xE5);
    input.brands.push_back({kSimModel, std::vector<uint8_t>(0x1000, 0xB2)});
    std::vector<uint8_t> bytes;
    std::string why;
    if (PackUpdateFile(input, bytes, why) != 1) return {};
    const std::string path = m_files.filePath(QStringLiteral("update.dwm")).toStdString();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private slots:
  void init() {
    CMessageBoxes::ClearAnswers();
    CMessageBoxes::ClearAnswered();
  }
  void cleanup() {
    m_dlg.reset();
    m_sim.reset();
  }

  void ControlsSitAtTheTemplatesRectangles() {
    Start();
    const DialogBaseUnits base = BaseUnitsOf(m_dlg->font());
    QCOMPARE(m_dlg->size(), DialogUnitsToPixels(QSize(283, 255), base));
    struct Place {
      int id;
      QRect dialogUnits;
      bool visible;
    };
    const Place places[] = {
        {kIdBanner, QRect(0, 0, 283, 134), true},         {kIdFileGroup, QRect(6, 138, 270, 36), true},
        {kIdStatusText, QRect(12, 150, 210, 18), true},   {kIdOpenButton, QRect(228, 150, 42, 20), true},
        {kIdProgressGroup, QRect(6, 180, 270, 36), true}, {kIdProgress, QRect(12, 192, 258, 16), true},
        {kIdSettingButton, QRect(6, 222, 84, 28), true},  {kIdUpdateButton, QRect(99, 222, 84, 28), true},
        {kIdCloseButton, QRect(192, 222, 84, 28), true},  {kIdUnusedStatic, QRect(12, 12, 258, 18), false},
        {kIdUnusedGroup, QRect(6, 0, 270, 36), false},
    };
    for (const Place& p : places) {
      QWidget* w = m_dlg->findChild<QWidget*>(QString::number(p.id));
      QVERIFY2(w, qPrintable(QString::number(p.id)));
      QCOMPARE(w->geometry(), DialogUnitsToPixels(p.dialogUnits, base));
      QCOMPARE(w->isVisible(), p.visible);
    }
    // Texts set at start-up.
    QCOMPARE(m_dlg->findChild<QGroupBox*>(QString::number(kIdFileGroup))->title(),
             QStringLiteral("Update the File"));
    QCOMPARE(m_dlg->findChild<QGroupBox*>(QString::number(kIdProgressGroup))->title(),
             QStringLiteral("Progress"));
    QCOMPARE(Button(kIdOpenButton)->text(), QStringLiteral("Open"));
    QCOMPARE(Button(kIdCloseButton)->text(), QStringLiteral("Close"));
    QCOMPARE(Button(kIdSettingButton)->text(), QStringLiteral("Setting"));
    QCOMPARE(Button(kIdUpdateButton)->text(), QStringLiteral("Update"));
    QCOMPARE(m_dlg->findChild<QLabel*>(QString::number(kIdStatusText))->text(),
             QString::fromUtf8(text::kChooseFile));
    QVERIFY(!m_dlg->findChild<QLabel*>(QString::number(kIdBanner))->pixmap().isNull());
    QVERIFY(m_dlg->IsTimerArmed(kTimerProgress));
    // The window menu carries Version14.
    QStringList entries;
    QAction* verify = nullptr;
    for (QAction* a : m_dlg->WindowMenuActions()) {
      entries << a->text();
      if (a->text() == QStringLiteral("Verify after update")) verify = a;
    }
    QVERIFY(entries.contains(QStringLiteral("Version14")));
    // Verify after update: off until checked, and the next update reads back.
    QVERIFY(verify && verify->isCheckable() && !verify->isChecked());
    QVERIFY(!m_dlg->VerifyAfterUpdate());
    verify->trigger();
    QVERIFY(m_dlg->VerifyAfterUpdate());
    verify->trigger();
    QVERIFY(!m_dlg->VerifyAfterUpdate());
  }

  void ConnectionTitleSequenceAndButtons() {
    Start();
    QCOMPARE(m_dlg->windowTitle(), Title(text::kConnecting));
    QVERIFY(m_dlg->IsTimerArmed(kTimerIdentify));
    QVERIFY(!Button(kIdSettingButton)->isEnabled());
    QVERIFY(!Button(kIdUpdateButton)->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(Identified(), 5000);
    QCOMPARE(m_dlg->windowTitle(),
             Title(text::kConnected) + text::kVersionPrefix + QString::fromStdString(m_dlg->DataDateText()));
    QVERIFY(!m_dlg->IsTimerArmed(kTimerIdentify));
    QVERIFY(Button(kIdSettingButton)->isEnabled());
    QVERIFY(!Button(kIdUpdateButton)->isEnabled());  // no file chosen yet
    QVERIFY(Button(kIdOpenButton)->isEnabled());
    QVERIFY(Button(kIdCloseButton)->isEnabled());

    // Unplugging and plugging the device reach the window as device changes.
    CSimHotplug hotplug(m_sim);
    connect(&hotplug, &CDeviceChangeSource::DevicesChanged, m_dlg.get(), &CBrindleDlg::OnDevicesChanged);
    hotplug.Unplug();
    QTRY_COMPARE(m_dlg->windowTitle(), Title(text::kNoHardware));
    QVERIFY(!Button(kIdSettingButton)->isEnabled());
    hotplug.Plug();
    QTRY_COMPARE(m_dlg->windowTitle(), Title(text::kConnecting));
    QTRY_VERIFY_WITH_TIMEOUT(Identified(), 5000);
  }

  void FaultUnplugOnAnotherThreadReachesTheWindowAsARemoval() {
    SimProfile profile = DefaultSimProfile();
    profile.faults.unplugAfterReports = 1000;  // well past the identification
    Start(profile);
    QTRY_VERIFY_WITH_TIMEOUT(Identified(), 5000);
    CSimHotplug hotplug(m_sim);
    connect(&hotplug, &CDeviceChangeSource::DevicesChanged, m_dlg.get(), &CBrindleDlg::OnDevicesChanged);
    const QAction* unplug = hotplug.findChild<QAction*>(QStringLiteral("simUnplug"));
    QVERIFY(unplug && unplug->isEnabled());
    // Reports moved on a thread of their own, as the update worker moves
    // them, until the profile's fault takes the device away.
    std::thread mover([this] {
      CSimBackend backend(m_sim);
      HidOpenFailure failure;
      auto device = backend.Open(m_sim->Path(), failure);
      uint8_t report[kReportLength] = {};
      while (device && device->Write(report, sizeof report) > 0) {
      }
    });
    mover.join();
    QVERIFY(!m_sim->IsPlugged());
    QTRY_COMPARE(m_dlg->windowTitle(), Title(text::kNoHardware));
    QVERIFY(!Button(kIdSettingButton)->isEnabled());
    QVERIFY(!Button(kIdUpdateButton)->isEnabled());
    QVERIFY(!unplug->isEnabled());
    QVERIFY(hotplug.findChild<QAction*>(QStringLiteral("simPlug"))->isEnabled());
  }

  void SettingsDialogOutlivingItsDeviceWritesNothing() {
    Start();
    QTRY_VERIFY_WITH_TIMEOUT(Identified(), 5000);
    CSimHotplug hotplug(m_sim);
    connect(&hotplug, &CDeviceChangeSource::DevicesChanged, m_dlg.get(), &CBrindleDlg::OnDevicesChanged);
    const auto settingsHeld = [this] {
      const auto area = m_sim->AreaCopy(kParameterArea);
      return std::vector<uint8_t>(area.begin() + kSettingsBlock * kBlockSize,
                                  area.begin() + (kSettingsBlock + 1) * kBlockSize);
    };
    const auto before = settingsHeld();
    bool dialogShown = false;
    // While the dialog is open the device is unplugged and plugged back, and
    // the window identifies it again; then the user confirms a change.
    QTimer::singleShot(0, this, [&] {
      auto* dialog = qobject_cast<CConfigDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      dialogShown = true;
      hotplug.Unplug();
      QTRY_COMPARE(m_dlg->windowTitle(), Title(text::kNoHardware));
      hotplug.Plug();
      QTRY_COMPARE(m_dlg->windowTitle(), Title(text::kConnecting));
      QTRY_VERIFY_WITH_TIMEOUT(Identified(), 5000);
      dialog->findChild<QLineEdit*>(QString::number(cd::kDayStartEdit))->setText(QStringLiteral("9"));
      CMessageBoxes::SetNextAnswer(IDOK);
      dialog->findChild<QPushButton*>(QString::number(cd::kIdOk))->click();
    });
    Button(kIdSettingButton)->click();
    QVERIFY(dialogShown);
    QCOMPARE(CMessageBoxes::Answered().size(), size_t(1));
    const auto& box = CMessageBoxes::Answered()[0];
    QCOMPARE(QString::fromStdString(box.text),
             QStringLiteral("The device was disconnected or changed while Setting was open. "
                            "Nothing was written, please click Setting again."));
    QCOMPARE(box.look.icon, QMessageBox::Critical);
    QVERIFY(settingsHeld() == before);
  }

  void NoDeviceRefusesUpdateWithTheErrorBox() {
    Start(DefaultSimProfile(), false);
    QCOMPARE(m_dlg->windowTitle(), Title(text::kNoHardware));
    CMessageBoxes::SetNextAnswer(IDOK);
    m_dlg->HandleMessage(WM_COMMAND, kIdUpdateButton, 0);
    QCOMPARE(CMessageBoxes::Answered().size(), size_t(1));
    const auto& box = CMessageBoxes::Answered()[0];
    QCOMPARE(box.text, std::string(text::kNoHardware));
    QCOMPARE(box.look.icon, QMessageBox::Critical);
    QCOMPARE(box.look.title, QString::fromLatin1(kDefaultMessageBoxCaption));
  }

  void PostMessageFromAnotherThread() {
    Start(DefaultSimProfile(), false);
    constexpr int kPosts = 2000;
    std::thread poster([this] {
      for (int i = 0; i < kPosts; ++i) m_dlg->PostMessage(WM_HID_BYTES_SENT, kStageBrandData, 64);
    });
    poster.join();
    QTRY_COMPARE(m_dlg->BytesDone(), uint32_t(kPosts * 64));
  }

  void WorkerCallsRunOnTheWindowThreadAndEndAtShutdown() {
    Start(DefaultSimProfile(), false);
    // A window operation called off the window thread runs there.
    auto set = std::async(std::launch::async, [this] {
      m_dlg->SetControlText(kIdStatusText, "from the worker");
      return m_dlg->GetControlText(kIdStatusText);
    });
    QTRY_VERIFY(set.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    QCOMPARE(set.get(), std::string("from the worker"));

    // A caller that waits while the window thread is busy elsewhere is let
    // go when shutdown begins, without the call running.
    std::atomic<bool> ran{false};
    auto waiting =
        std::async(std::launch::async, [&] { return m_dlg->RunOnWindowThread([&] { ran = true; }); });
    QVERIFY(waiting.wait_for(std::chrono::milliseconds(200)) == std::future_status::timeout);
    m_dlg->Shutdown();
    QVERIFY(waiting.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
    QCOMPARE(waiting.get(), false);
    QCoreApplication::processEvents();
    QVERIFY(!ran);
  }

  // Identifies the device, chooses an update file with Open and clicks
  // Update; returns once the outcome box was answered.
  void RunUpdate(const SimProfile& profile, size_t scale, CTimerWatch& watch, bool succeeds = true) {
    Start(profile);
    QTRY_VERIFY_WITH_TIMEOUT(Identified(), 5000);
    const std::string path = WriteUpdateFile(scale);
    QVERIFY(!path.empty());

    CFileOpenDialog::SetNextFileName(path);
    QTest::mouseClick(Button(kIdOpenButton), Qt::LeftButton);
    QCOMPARE(m_dlg->GetControlText(kIdStatusText), path);
    QVERIFY(Button(kIdUpdateButton)->isEnabled());

    watch.bar = m_dlg->findChild<CTextProgressCtrl*>(QString::number(kIdProgress));
    watch.clock.start();
    qApp->installEventFilter(&watch);
    CMessageBoxes::SetNextAnswer(IDOK);
    QTest::mouseClick(Button(kIdUpdateButton), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!CMessageBoxes::Answered().empty(), 120000);
    qApp->removeEventFilter(&watch);
    if (!succeeds) return;
    QCOMPARE(CMessageBoxes::Answered().back().text, std::string(kTextUpdateSucceeded));
    QCOMPARE(CMessageBoxes::Answered().back().look.title, QString::fromUtf8(text::kTitle));
  }

  void FailedRunClearsTheBarAndSaysWhy() {
    // The device refuses every write: section A fails after its retries.
    SimProfile profile = DefaultSimProfile();
    profile.faults.failWrites = 1000000;
    profile.faults.reportDelayMicros = 300;  // long enough for a few progress ticks
    CTimerWatch watch;
    RunUpdate(profile, 4, watch, false);
    if (QTest::currentTestFailed()) return;
    // Both lines in the box: the system's text and what happened.
    QCOMPARE(CMessageBoxes::Answered().back().text,
             std::string(kTextUpdateFailed) + "\nThe device refused section A ten times.");
    auto* bar = m_dlg->findChild<CTextProgressCtrl*>(QString::number(kIdProgress));
    QVERIFY(bar->WindowText().isEmpty());
    QCOMPARE(bar->Pos(), 0);  // no half-way bar is left that looks like progress

    // Out and in again: the new identification starts from an empty bar.
    CSimHotplug hotplug(m_sim);
    connect(&hotplug, &CDeviceChangeSource::DevicesChanged, m_dlg.get(), &CBrindleDlg::OnDevicesChanged);
    hotplug.Unplug();
    QTRY_COMPARE(m_dlg->windowTitle(), Title(text::kNoHardware));
    hotplug.Plug();
    QTRY_VERIFY_WITH_TIMEOUT(Identified(), 5000);
    QCOMPARE(bar->Pos(), 0);
    QCOMPARE(bar->DisplayedText(), QStringLiteral("0%"));
  }

  static qint64 WorstLateness(const std::vector<qint64>& ticks, qint64 period) {
    qint64 worst = 0;
    for (size_t i = 1; i < ticks.size(); ++i) worst = std::max(worst, ticks[i] - ticks[i - 1] - period);
    return worst;
  }

  void UpdateFromTheButtonsShowsProgress() {
    // A device that takes its time per report, so the transfer spans ticks.
    SimProfile profile = DefaultSimProfile();
#ifdef Q_OS_WIN
    // Under Wine timer messages may come 300 ms late: a longer transfer
    // still spans several ticks.
    profile.faults.reportDelayMicros = 80;
#else
    profile.faults.reportDelayMicros = 20;
#endif
    CTimerWatch watch;
    RunUpdate(profile, 4, watch);
    if (QTest::currentTestFailed()) return;
    // The progress text moved on from the label to percentages.
    QVERIFY2(watch.progressTexts.size() >= 3, qPrintable(watch.progressTexts.join(" | ")));
    bool percent = false;
    for (const QString& t : watch.progressTexts) percent |= t.startsWith(QStringLiteral("Updated "));
    QVERIFY2(percent, qPrintable(watch.progressTexts.join(" | ")));
    const qint64 worst = WorstLateness(watch.ticks, kProgressTickMs);
    qInfo("slow device, %zu ticks: timer 1 at most %lld ms late", watch.ticks.size(), worst);
    // Goal 50 ms; the bound leaves room for a loaded build machine, and
    // under Wine for timer messages that pass through its server (measured
    // up to 300 ms there with two test programs at once). A window blocked
    // by the transfer would be late by seconds.
#ifdef Q_OS_WIN
    constexpr qint64 kBound = 500;
#else
    constexpr qint64 kBound = 250;
#endif
    QVERIFY2(worst <= kBound, qPrintable(QString::number(worst)));
  }

  void WindowStaysResponsiveDuringAMaximumUpdate() {
    // Every section at its largest, to a device that answers at once: the
    // worker posts one message per report as fast as it can.
    CTimerWatch watch;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    std::vector<qint64> probeTicks;
    connect(&probe, &QTimer::timeout, [&] {
      if (watch.clock.isValid()) probeTicks.push_back(watch.clock.elapsed());
    });
    probe.start(10);
    RunUpdate(DefaultSimProfile(), 1, watch);
    probe.stop();
    if (QTest::currentTestFailed()) return;
    const qint64 worstProbe = WorstLateness(probeTicks, 10);
    qInfo(
        "maximum update in %lld ms: timer 1 at most %lld ms late over %zu ticks, "
        "a 10 ms timer at most %lld ms late",
        watch.clock.elapsed(), WorstLateness(watch.ticks, kProgressTickMs), watch.ticks.size(), worstProbe);
    QVERIFY2(worstProbe <= 250, qPrintable(QString::number(worstProbe)));
  }

  void FirstPaintComesSoon() {
    QElapsedTimer clock;
    clock.start();
    Start(DefaultSimProfile(), false);
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    QCoreApplication::processEvents();
    qInfo("start to painted window: %lld ms", clock.elapsed());
    QVERIFY(clock.elapsed() < 5000);
  }

  // Presses key where the keyboard focus is (the window itself when no
  // control has it); false when that ended the dialog.
  bool PressSurvives(Qt::Key key) {
    CFileOpenDialog::SetNextFileName(std::nullopt);  // Open, if focused, is cancelled
    m_dlg->setResult(-1);
    QWidget* target = m_dlg->focusWidget() ? m_dlg->focusWidget() : m_dlg.get();
    QTest::keyClick(target, key);
    return m_dlg->isVisible() && m_dlg->result() == -1;
  }

  void EnterOrSpaceNeverEndsTheProgram() {
    const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space};
    // Start-up without a device: Update is disabled at once, and the focus
    // goes on to Open rather than Close.
    Start(DefaultSimProfile(), false);
    QCOMPARE(m_dlg->focusWidget(), Button(kIdOpenButton));
    for (Qt::Key key : keys) QVERIFY2(PressSurvives(key), qPrintable(QString::number(key)));

    // Update disabled under the focus (the worker does so at its start).
    m_dlg->EnableControl(kIdUpdateButton, true);
    Button(kIdUpdateButton)->setFocus();
    m_dlg->EnableControl(kIdUpdateButton, false);
    QCOMPARE(m_dlg->focusWidget(), Button(kIdOpenButton));

    // Every harmless button disabled: the focus rests nowhere.
    m_dlg->EnableControl(kIdSettingButton, true);
    Button(kIdSettingButton)->setFocus();
    m_dlg->EnableControl(kIdOpenButton, false);
    m_dlg->EnableControl(kIdSettingButton, false);
    QVERIFY(m_dlg->focusWidget() != Button(kIdCloseButton));
    for (Qt::Key key : keys) QVERIFY2(PressSurvives(key), qPrintable(QString::number(key)));

    // Close itself still answers the keyboard when the user goes there.
    Button(kIdCloseButton)->setFocus();
    QTest::keyClick(Button(kIdCloseButton), Qt::Key_Space);
    QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
  }

  void TabRunsThroughTheButtonsInReadingOrder() {
    Start();
    QTRY_VERIFY_WITH_TIMEOUT(Identified(), 5000);
    m_dlg->EnableControl(kIdUpdateButton, true);
    const int order[] = {kIdOpenButton, kIdSettingButton, kIdUpdateButton, kIdCloseButton, kIdOpenButton};
    Button(order[0])->setFocus();
    for (size_t i = 1; i < std::size(order); ++i) {
      QTest::keyClick(m_dlg->focusWidget(), Qt::Key_Tab);
      QCOMPARE(m_dlg->focusWidget(), Button(order[i]));
    }
  }

  void AssistiveTechnologySeesTheControls() {
    Start(DefaultSimProfile(), false);
    struct Expected {
      int id;
      QAccessible::Role role;
      const char* name;
      bool disabled;
    };
    const Expected controls[] = {
        {kIdOpenButton, QAccessible::Button, "Open", false},
        {kIdSettingButton, QAccessible::Button, "Setting", true},
        {kIdUpdateButton, QAccessible::Button, "Update", true},
        {kIdCloseButton, QAccessible::Button, "Close", false},
        {kIdProgress, QAccessible::ProgressBar, "Progress", false},
    };
    for (const Expected& c : controls) {
      QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(m_dlg->Control(c.id));
      QVERIFY(a11y);
      QCOMPARE(a11y->role(), c.role);
      QCOMPARE(a11y->text(QAccessible::Name), QString::fromUtf8(c.name));
      QCOMPARE(bool(a11y->state().disabled), c.disabled);
      QVERIFY(a11y->state().focusable == (c.role == QAccessible::Button));
    }
    // The focused button says so, and a button can be pressed through its action.
    m_dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
    QAccessibleInterface* open = QAccessible::queryAccessibleInterface(Button(kIdOpenButton));
    QVERIFY(open->state().focused);
    QVERIFY(open->actionInterface());
    QVERIFY(open->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    CFileOpenDialog::SetNextFileName(std::string("/tmp/chosen.dwm"));
    open->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(m_dlg->GetControlText(kIdStatusText), std::string("/tmp/chosen.dwm"));
    // The bar's value and text.
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(m_dlg->Control(kIdProgress));
    m_dlg->SetProgressRange(0, 400);
    m_dlg->SetProgressPos(100);
    QCOMPARE(bar->valueInterface()->currentValue().toInt(), 100);
    QCOMPARE(bar->text(QAccessible::Value), QStringLiteral("25%"));
  }

  void LongPathKeepsItsFileNameInSight() {
    Start(DefaultSimProfile(), false);
    auto* status = m_dlg->findChild<CStatusText*>(QString::number(kIdStatusText));
    QVERIFY(status);
    const QString name = QStringLiteral("navdata-2024-europe-west.dwm");
    const QString path = QStringLiteral(
                             "/home/driver/Downloads/Navigation updates/2024/autumn "
                             "release/europe/west/germany and austria/") +
                         name;
    CFileOpenDialog::SetNextFileName(path.toStdString());
    QTest::mouseClick(Button(kIdOpenButton), Qt::LeftButton);
    QCOMPARE(m_dlg->GetControlText(kIdStatusText), path.toStdString());
    QCOMPARE(status->toolTip(), path);
    const QString shown = status->ShownText();
    QVERIFY2(shown.endsWith(QLatin1Char('/') + name), qPrintable(shown));
    QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));
    QVERIFY(status->fontMetrics().horizontalAdvance(shown) <= status->contentsRect().width());

    // Nothing is cut at the top or bottom edge: those rows stay background.
    const QImage image = status->grab().toImage();
    const QRgb background = image.pixel(image.width() - 1, image.height() / 2);
    for (int x = 0; x < image.width(); ++x) {
      QCOMPARE(image.pixel(x, 0), background);
      QCOMPARE(image.pixel(x, image.height() - 1), background);
    }

    // A message that fits on the label's two lines is shown whole, wrapped.
    const QString message = QString::fromUtf8(text::kAccessHint);
    m_dlg->SetControlText(kIdStatusText, message.toStdString());
    QCOMPARE(status->ShownText(), message);
  }

  void GroupContentSitsCentredInItsFrame_data() {
    QTest::addColumn<int>("group");
    QTest::addColumn<QList<int>>("content");
    QTest::newRow("file") << int(kIdFileGroup) << QList<int>{kIdStatusText, kIdOpenButton};
    QTest::newRow("progress") << int(kIdProgressGroup) << QList<int>{kIdProgress};
  }
  void GroupContentSitsCentredInItsFrame() {
    QFETCH(int, group);
    QFETCH(QList<int>, content);
    Start(DefaultSimProfile(), false);
    const QImage image = m_dlg->grab().toImage();
    const QRect box = m_dlg->Control(group)->geometry();
    // Down a column just inside the frame's right edge, past the content:
    // the rows that are not window background are the frame's two edges.
    const int x = box.right() - 3;
    const QRgb background = m_dlg->palette().color(QPalette::Window).rgb();
    QList<int> rows;
    for (int y = box.top(); y <= box.bottom(); ++y)
      if (image.pixel(x, y) != background) rows << y;
    QVERIFY2(rows.size() >= 2, qPrintable(QString::number(rows.size())));
    int topEdge = rows.front();
    while (rows.contains(topEdge + 1)) ++topEdge;
    int bottomEdge = rows.back();
    while (rows.contains(bottomEdge - 1)) --bottomEdge;
    const double frameMiddle = (topEdge + bottomEdge) / 2.0;
    // The template itself puts the Open button 2 dialog units low.
    const double tolerance = 2 * BaseUnitsOf(m_dlg->font()).y / 8.0 + 0.5;
    for (int id : content) {
      const QRect r = m_dlg->Control(id)->geometry();
      const double middle = (r.top() + r.bottom()) / 2.0;
      QVERIFY2(std::abs(middle - frameMiddle) <= tolerance,
               qPrintable(QStringLiteral("control %1 middle %2, frame %3..%4")
                              .arg(id)
                              .arg(middle)
                              .arg(topEdge)
                              .arg(bottomEdge)));
    }
  }

  void CloseEscAndTitleBarEndTheDialog_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("Close button") << 0 << int(QDialog::Accepted);
    QTest::newRow("Esc") << 1 << int(QDialog::Rejected);
    QTest::newRow("title-bar close") << 2 << int(QDialog::Rejected);
  }
  void CloseEscAndTitleBarEndTheDialog() {
    QFETCH(int, how);
    QFETCH(int, result);
    Start(DefaultSimProfile(), false);
    m_dlg->setResult(-1);
    if (how == 0) QTest::mouseClick(Button(kIdCloseButton), Qt::LeftButton);
    if (how == 1) QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
    if (how == 2) m_dlg->close();
    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(m_dlg->result(), result);
  }
};

QTEST_MAIN(BrindleDlgTest)
#include "brindle_dlg_test.moc"
