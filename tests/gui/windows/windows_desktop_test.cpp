// The desktop window's native side on Windows, on the windows platform
// (under Wine on a virtual display): the window class others look for, the
// system menu's version entry, the About commands, device notifications and
// a second start's activation.
#include "core/windows/windows_api.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

#include "gui/about_dlg.h"
#include "gui/brindle_dlg.h"
#include "gui/seams/dialog_units.h"
#include "gui/windows/device_notification.h"
#include "gui/windows/main_window_native.h"
#include "gui/windows/window_activation.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

using namespace brindle;

namespace {

HWND Handle(QWidget& w) { return reinterpret_cast<HWND>(w.winId()); }

std::unique_ptr<CBrindleDlg> MakeDialog() {
  auto sim = std::make_shared<CSimDevice>(DefaultSimProfile());
  return std::make_unique<CBrindleDlg>(std::make_shared<CSimBackend>(sim));
}

// Texts of the system menu's entries.
QStringList SystemMenuTexts(HWND window) {
  QStringList texts;
  HMENU menu = GetSystemMenu(window, FALSE);
  const int count = menu ? GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    texts << QString::fromWCharArray(text);
  }
  return texts;
}

CAboutDlg* OpenAboutBox() { return qobject_cast<CAboutDlg*>(QApplication::activeModalWidget()); }

// A sibling tool's main window: a plain window of the sibling's class.
class CSiblingWindow {
 public:
  explicit CSiblingWindow(const wchar_t* className) : m_class(className) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = m_class;
    RegisterClassW(&wc);
    m_window = CreateWindowExW(WS_EX_APPWINDOW, m_class, L"Sibling", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                               nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~CSiblingWindow() {
    if (m_window) DestroyWindow(m_window);
    UnregisterClassW(m_class, GetModuleHandleW(nullptr));
  }
  CSiblingWindow(const CSiblingWindow&) = delete;
  CSiblingWindow& operator=(const CSiblingWindow&) = delete;
  HWND Window() const { return m_window; }

 private:
  const wchar_t* m_class;
  HWND m_window = nullptr;
};

}  // namespace

class WindowsDesktopTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("windows")) QSKIP("needs Qt's windows platform");
    QWidget probe;
    if (!IsWindow(Handle(probe))) QSKIP("no window station with a display (run under a display)");
  }

  void TheWindowCarriesTheClassOthersLookFor() {
    const auto dlg = MakeDialog();
    CMainWindowNative native(*dlg);
    wchar_t name[64] = {};
    GetClassNameW(Handle(*dlg), name, 64);
    QCOMPARE(QString::fromWCharArray(name), QStringLiteral("UPDATE_FLASH_CLASS"));
    dlg->show();
    QCOMPARE(FindWindowW(L"UPDATE_FLASH_CLASS", nullptr), Handle(*dlg));
    // Other windows of the program keep Qt's own classes.
    QWidget other;
    GetClassNameW(Handle(other), name, 64);
    QVERIFY(QString::fromWCharArray(name) != QStringLiteral("UPDATE_FLASH_CLASS"));
  }

  void TheVersionEntryIsInTheSystemMenuOnly() {
    const auto dlg = MakeDialog();
    CMainWindowNative native(*dlg);
    QCOMPARE(SystemMenuTexts(Handle(*dlg)).count(QStringLiteral("Version14")), 1);
    for (QAction* action : dlg->WindowMenuActions()) QVERIFY(action->text() != QStringLiteral("Version14"));
  }

  void SystemCommandsOpenTheAboutBoxInTheirRangeOnly_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("opens");
    QTest::newRow("first of the range") << 0x0010 << true;
    QTest::newRow("last of the range") << 0x001F << true;
    QTest::newRow("above the range") << 0x0020 << false;
    QTest::newRow("the version entry") << 0 << false;
  }
  void SystemCommandsOpenTheAboutBoxInTheirRangeOnly() {
    QFETCH(int, command);
    QFETCH(bool, opens);
    const auto dlg = MakeDialog();
    CMainWindowNative native(*dlg);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    // The box runs modally inside the event loop that delivered the command:
    // a timer in that loop closes it once it is up.
    bool opened = false;
    QTimer closer;
    closer.setInterval(20);
    connect(&closer, &QTimer::timeout, [&opened] {
      if (CAboutDlg* about = OpenAboutBox()) {
        opened = true;
        about->reject();
      }
    });
    closer.start();
    PostMessageW(Handle(*dlg), win::kWM_SYSCOMMAND, static_cast<WPARAM>(command), 0);
    if (opens) {
      QTRY_VERIFY(opened);
    } else {
      QTest::qWait(300);
      QVERIFY(!opened);
    }
  }

  void DeviceChangesOfTheWindowAreReported_data() {
    QTest::addColumn<int>("event");
    QTest::addColumn<bool>("toOurWindow");
    QTest::addColumn<int>("reports");
    QTest::newRow("device tree changed") << int(win::kDBT_DEVNODES_CHANGED) << true << 1;
    QTest::newRow("arrival") << int(win::kDBT_DEVICEARRIVAL) << true << 1;
    QTest::newRow("removal") << int(win::kDBT_DEVICEREMOVECOMPLETE) << true << 1;
    QTest::newRow("removal asked first") << 0x8001 << true << 0;  // DBT_DEVICEQUERYREMOVE
    QTest::newRow("another window's") << int(win::kDBT_DEVNODES_CHANGED) << false << 0;
  }
  void DeviceChangesOfTheWindowAreReported() {
    QFETCH(int, event);
    QFETCH(bool, toOurWindow);
    QFETCH(int, reports);
    QWidget window;
    QWidget other;
    CDeviceNotification notification(reinterpret_cast<void*>(window.winId()));
    QSignalSpy spy(&notification, &CDeviceChangeSource::DevicesChanged);
    SendMessageW(Handle(toOurWindow ? window : other), win::kWM_DEVICECHANGE, static_cast<WPARAM>(event), 0);
    QCOMPARE(spy.count(), reports);
  }

  void TheDialogFontIsTheFaceWindowsSubstitutes() {
    wchar_t face[LF_FACESIZE] = {};
    DWORD size = sizeof(face);
    QVERIFY(RegGetValueW(HKEY_LOCAL_MACHINE,
                         L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", L"MS Shell Dlg",
                         RRF_RT_REG_SZ, nullptr, face, &size) == ERROR_SUCCESS);
    // Not a serif stand-in: the face itself is installed and used.
    QCOMPARE(QFontInfo(DialogFont(9)).family(), QString::fromWCharArray(face));
  }

  void ASecondStartRestoresTheRunningWindow() {
    const auto dlg = MakeDialog();
    CMainWindowNative native(*dlg);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    ShowWindow(Handle(*dlg), SW_MINIMIZE);
    QTRY_VERIFY(IsIconic(Handle(*dlg)));
    QVERIFY(ActivateWindowByClass());
    QTRY_VERIFY(!IsIconic(Handle(*dlg)));
    QVERIFY(IsWindowVisible(Handle(*dlg)));
  }

  void ASecondStartBringsASiblingForwardWhenItRunsAlone() {
    QVERIFY(!ActivateWindowByClass());  // none of the three runs
    CSiblingWindow sibling(L"UPDATE_DATA_CLASS");
    QVERIFY(sibling.Window());
    ShowWindow(sibling.Window(), SW_MINIMIZE);
    QVERIFY(ActivateWindowByClass());
    QTRY_VERIFY(!IsIconic(sibling.Window()));
    QVERIFY(IsWindowVisible(sibling.Window()));
  }

  void AHungRunningWindowDoesNotHangTheSecondStart() {
    // The sibling's thread makes its window, then stops answering for up to
    // 10 s: a second start that waits for it takes all of that, one that does
    // not returns at once (under a loaded Wine within its own 2-s time-outs),
    // and the window answers again as soon as the start has returned.
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> release{false};
    std::thread hung([&] {
      CSiblingWindow sibling(L"UPDATE_PROGRAM_CLASS");
      ShowWindow(sibling.Window(), SW_MINIMIZE);
      window = sibling.Window();
      for (int i = 0; i < 1000 && !release; ++i) Sleep(10);  // not pumping messages
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    });
    QTRY_VERIFY(window.load() != nullptr);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(ActivateWindowByClass());
    const qint64 took = timer.elapsed();
    release = true;
    hung.join();
    QVERIFY2(took < 5000, qPrintable(QString::number(took)));
  }
};

QTEST_MAIN(WindowsDesktopTest)
#include "windows_desktop_test.moc"
