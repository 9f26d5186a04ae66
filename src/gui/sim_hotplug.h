#pragma once
// Plug and unplug for the simulated device, offered in the window menu of
// `brindle --simulate`: each one changes the device and reports one device
// change, as udev reports a real device's. A fault unplug of the device's
// profile is reported the same way.
#include <QAction>
#include <memory>

#include "gui/device_change_source.h"

namespace brindle {

class CSimDevice;

class CSimHotplug : public CDeviceChangeSource {
  Q_OBJECT
 public:
  explicit CSimHotplug(std::shared_ptr<CSimDevice> device, QObject* parent = nullptr);
  ~CSimHotplug() override;

  void Plug();
  void Unplug();
  QList<QAction*> Actions() const { return {m_plugAction, m_unplugAction}; }

 private:
  void OnPlugChanged();
  void UpdateActions();

  std::shared_ptr<CSimDevice> m_device;
  QAction* m_plugAction;    // child of this object
  QAction* m_unplugAction;  // child of this object
};

}  // namespace brindle
