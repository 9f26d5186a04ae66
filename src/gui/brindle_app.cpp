#include "gui/brindle_app.h"

#include <QMessageBox>
#include <cstdio>

#include "core/version.h"
#include "gui/brindle_dlg.h"
#include "gui/demo_update.h"
#include "gui/desktop_platform.h"
#include "gui/sim_hotplug.h"
#include "sim/sim_device.h"

namespace brindle {

namespace {

constexpr const char* kUsage =
    "Usage: brindle [--simulate[=PROFILE.json]]\n"
    "Options:\n"
    "  --simulate           run on a simulated device instead of a connected one\n"
    "  --simulate=PROFILE   the simulated device answers as the JSON profile says\n"
    "  --version            print the program's version\n"
    "  --help               print this help\n";

}  // namespace

int ParseGuiOptions(int argc, char** argv, GuiOptions& options, bool& showHelp, std::string& text) {
  showHelp = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      showHelp = true;
      text = kUsage;
      return 0;
    }
    if (a == "--version") {
      showHelp = true;
      text = std::string("brindle ") + kVersion + "\n";
      return 0;
    }
    std::string error;
    const ArgumentUse use = ParseBackendArgument(a, options.device, error);
    if (use == ArgumentUse::kBad) {
      text = "brindle: " + error + "\n" + kUsage;
      return 2;
    }
    if (use == ArgumentUse::kTaken) continue;
    if (a.rfind("--demo-update=", 0) == 0) {
      options.demoUpdateFile = a.substr(std::string("--demo-update=").size());
    } else {
      text = "brindle: unknown argument " + a + "\n" + kUsage;
      return 2;
    }
  }
  // The demonstration presses Update by itself: never on a real device.
  if (!options.demoUpdateFile.empty() && !options.device.simulate) {
    text = std::string("brindle: --demo-update needs --simulate\n") + kUsage;
    return 2;
  }
  if (options.device.simulate) {
    std::string error;
    if (!MakeDeviceBackend(options.device, options.backend, error)) {
      text = "brindle: " + error + "\n" + kUsage;
      return 2;
    }
  }
  return 0;
}

bool CBrindleApp::InitInstance() {
  const CInstanceLock::Result locked = m_instanceLock.Acquire(QString::fromStdString(SharedLockFolder()));
  if (locked == CInstanceLock::Result::kHeldElsewhere) {
    ActivateRunningInstance();
    return false;
  }
  if (locked == CInstanceLock::Result::kUnavailable) {
    // Without the lock nothing keeps a second copy off the device and the
    // working files: say why rather than run unguarded.
    const QString why = QStringLiteral("Brindle cannot start: ") + m_instanceLock.Error();
    std::fprintf(stderr, "brindle: %s\n", qPrintable(m_instanceLock.Error()));
    QMessageBox::critical(nullptr, QStringLiteral("Brindle"), why);
    return false;
  }

  DeviceBackend device = m_options.backend;
  std::string error;
  if (!device.hid && !MakeDeviceBackend(m_options.device, device, error)) {
    std::fprintf(stderr, "brindle: %s\n", error.c_str());
    return false;
  }
  const std::shared_ptr<CSimDevice> simDevice = device.sim;

  CBrindleDlg dialog(device.hid);
  const std::unique_ptr<QObject> findable = PrepareMainWindow(dialog);

  std::unique_ptr<CDeviceChangeSource> changes;
  if (simDevice) {
    auto hotplug = std::make_unique<CSimHotplug>(simDevice);
    dialog.AddWindowMenuActions(hotplug->Actions());
    changes = std::move(hotplug);
  } else {
    changes = MakeDeviceChangeSource(dialog);
  }
  QObject::connect(changes.get(), &CDeviceChangeSource::DevicesChanged, &dialog,
                   &CBrindleDlg::OnDevicesChanged);
  if (!m_options.demoUpdateFile.empty())
    ScheduleDemoUpdate(dialog, QString::fromStdString(m_options.demoUpdateFile));
  dialog.DoModal();
  return false;
}

int CBrindleApp::ExitInstance() {
  m_instanceLock.Release();
  return 0;
}

}  // namespace brindle
