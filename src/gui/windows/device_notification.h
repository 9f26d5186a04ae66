#pragma once
// Device changes on Windows: WM_DEVICECHANGE to the main window, which asks
// for the arrival and removal of HID device interfaces. Each arrival,
// removal or change of the device tree is one DevicesChanged.
#include <QAbstractNativeEventFilter>

#include "gui/device_change_source.h"

namespace brindle {

class CDeviceNotification : public CDeviceChangeSource, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  // window: the HWND that receives the notifications.
  explicit CDeviceNotification(void* window, QObject* parent = nullptr);
  ~CDeviceNotification() override;

  // False when Windows refused the interface notification: the window then
  // still hears of changes of the device tree.
  bool IsRegistered() const { return m_notification != nullptr; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  void* m_window;
  void* m_notification = nullptr;  // HDEVNOTIFY
};

}  // namespace brindle
