#include "core/windows/windows_api.h"

#include "gui/windows/device_notification.h"

#include <QCoreApplication>

namespace brindle {

namespace {
// GUID_DEVINTERFACE_HID, the interface class of every HID device.
constexpr GUID kHidInterface = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}  // namespace

CDeviceNotification::CDeviceNotification(void* window, QObject* parent)
    : CDeviceChangeSource(parent), m_window(window) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = win::kDBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kHidInterface;
  m_notification =
      RegisterDeviceNotificationW(static_cast<HWND>(m_window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

CDeviceNotification::~CDeviceNotification() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
  if (m_notification) UnregisterDeviceNotification(static_cast<HDEVNOTIFY>(m_notification));
}

bool CDeviceNotification::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "windows_generic_MSG") return false;
  const MSG* msg = static_cast<const MSG*>(message);
  if (msg->hwnd != static_cast<HWND>(m_window) || msg->message != win::kWM_DEVICECHANGE) return false;
  switch (msg->wParam) {
    case win::kDBT_DEVICEARRIVAL:
    case win::kDBT_DEVICEREMOVECOMPLETE:
    case win::kDBT_DEVNODES_CHANGED: emit DevicesChanged(); break;
    default: break;
  }
  // Others may want the message too; Windows needs no answer to these.
  return false;
}

}  // namespace brindle
