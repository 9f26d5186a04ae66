#include "gui/linux/udev_monitor.h"

#include <libudev.h>

#include <cstring>

namespace brindle {

void CUdevMonitor::UdevDeleter::operator()(udev* u) const { udev_unref(u); }
void CUdevMonitor::MonitorDeleter::operator()(udev_monitor* m) const { udev_monitor_unref(m); }

CUdevMonitor::CUdevMonitor(QObject* parent) : CDeviceChangeSource(parent) {
  m_udev.reset(udev_new());
  if (!m_udev) return;
  m_monitor.reset(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
  if (!m_monitor) return;
  if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor.get(), "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(m_monitor.get()) < 0) {
    m_monitor.reset();
    return;
  }
  const int fd = udev_monitor_get_fd(m_monitor.get());
  if (fd < 0) return;
  m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(m_notifier.get(), &QSocketNotifier::activated, this, &CUdevMonitor::OnReadable);
}

CUdevMonitor::~CUdevMonitor() {
  // The notifier watches the monitor's socket: it goes first.
  m_notifier.reset();
}

void CUdevMonitor::OnReadable() {
  // The socket is non-blocking: take every queued event.
  while (udev_device* device = udev_monitor_receive_device(m_monitor.get())) {
    const char* action = udev_device_get_action(device);
    const bool counts = action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0);
    udev_device_unref(device);
    if (counts) emit DevicesChanged();
  }
}

}  // namespace brindle
