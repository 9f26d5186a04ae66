#pragma once
// Device changes from udev: a monitor on the "udev" netlink source (events
// arrive after udevd applied its rules, permissions included), filtered to
// the hidraw subsystem. Each add or remove is one DevicesChanged.
#include <QSocketNotifier>
#include <memory>

#include "gui/device_change_source.h"

struct udev;
struct udev_monitor;

namespace brindle {

class CUdevMonitor : public CDeviceChangeSource {
  Q_OBJECT
 public:
  explicit CUdevMonitor(QObject* parent = nullptr);
  ~CUdevMonitor() override;

  // False when no monitor could be set up (no udev, no netlink access):
  // then devices are only found at start-up.
  bool IsListening() const { return m_notifier != nullptr; }

 private:
  void OnReadable();

  struct UdevDeleter {
    void operator()(udev* u) const;
  };
  struct MonitorDeleter {
    void operator()(udev_monitor* m) const;
  };
  std::unique_ptr<udev, UdevDeleter> m_udev;
  std::unique_ptr<udev_monitor, MonitorDeleter> m_monitor;
  std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace brindle
