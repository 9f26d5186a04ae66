#include "app/qt/sim_hotplug.h"

#include "sim/sim_device.h"

namespace brindle {

CSimHotplug::CSimHotplug(std::shared_ptr<CSimDevice> device, QObject* parent)
    : CDeviceChangeSource(parent),
      m_device(std::move(device)),
      m_plugAction(new QAction(QStringLiteral("Plug in the simulated device"), this)),
      m_unplugAction(new QAction(QStringLiteral("Unplug the simulated device"), this)) {
  m_plugAction->setObjectName(QStringLiteral("simPlug"));
  m_unplugAction->setObjectName(QStringLiteral("simUnplug"));
  connect(m_plugAction, &QAction::triggered, this, &CSimHotplug::Plug);
  connect(m_unplugAction, &QAction::triggered, this, &CSimHotplug::Unplug);
  UpdateActions();
}

void CSimHotplug::Plug() {
  m_device->Plug();
  UpdateActions();
  emit DevicesChanged();
}

void CSimHotplug::Unplug() {
  m_device->Unplug();
  UpdateActions();
  emit DevicesChanged();
}

void CSimHotplug::UpdateActions() {
  const bool plugged = m_device->IsPlugged();
  m_plugAction->setEnabled(!plugged);
  m_unplugAction->setEnabled(plugged);
}

}  // namespace brindle
