// The desktop program's start on Windows: the window is found by its class,
// device changes arrive as WM_DEVICECHANGE.
#include "gui/desktop_platform.h"

#include "gui/brindle_dlg.h"
#include "gui/windows/device_notification.h"
#include "gui/windows/main_window_native.h"
#include "gui/windows/window_activation.h"

namespace brindle {

void ActivateRunningInstance() {
  // No window found (the first start may not have made it yet): nothing to say.
  ActivateWindowByClass();
}

std::unique_ptr<QObject> PrepareMainWindow(CBrindleDlg& dialog) {
  return std::make_unique<CMainWindowNative>(dialog);
}

std::unique_ptr<CDeviceChangeSource> MakeDeviceChangeSource(CBrindleDlg& dialog) {
  return std::make_unique<CDeviceNotification>(reinterpret_cast<void*>(dialog.winId()));
}

}  // namespace brindle
