#pragma once
// Where device changes come from: the udev monitor on a desktop, the
// simulated device's plug and unplug otherwise. Each change is one
// DevicesChanged, which the window takes as DBT_DEVNODES_CHANGED.
#include <QObject>

namespace brindle {

class CDeviceChangeSource : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 signals:
  void DevicesChanged();
};

}  // namespace brindle
