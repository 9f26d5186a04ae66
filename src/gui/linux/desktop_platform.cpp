// The desktop program's start on Linux: a local socket per window class for
// activation, udev for device changes.
#include "gui/desktop_platform.h"

#include <QGuiApplication>
#include <cstdio>

#include "gui/brindle_dlg.h"
#include "gui/linux/single_instance.h"
#include "gui/linux/udev_monitor.h"

namespace brindle {

void ActivateRunningInstance() {
  // Whether or not a window answered, a second start shows no window.
  const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
  const bool answered = ActivateRunningWindow(RuntimeFolder(), 2000, token);
  std::fputs(SecondStartNote(answered, QGuiApplication::platformName(), IsActivationToken(token)).c_str(),
             stderr);
}

std::unique_ptr<QObject> PrepareMainWindow(CBrindleDlg& dialog) {
  auto server = std::make_unique<CWindowClassServer>();
  QObject::connect(server.get(), &CWindowClassServer::ActivationRequested, &dialog,
                   &CBrindleDlg::BringToFront);
  server->Listen(RuntimeFolder(), QString::fromLatin1(kWindowClassName));
  return server;
}

std::unique_ptr<CDeviceChangeSource> MakeDeviceChangeSource(CBrindleDlg&) {
  return std::make_unique<CUdevMonitor>();
}

}  // namespace brindle
