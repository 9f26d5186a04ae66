#include "gui/sim_hotplug.h"

#include <QMetaObject>

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
  // Every change of the device, also the fault unplug of its profile in the
  // middle of a transfer (on the update worker's thread), is announced here
  // on this object's thread, as udev announces a real device's.
  m_device->SetPlugListener(
      [this] { QMetaObject::invokeMethod(this, &CSimHotplug::OnPlugChanged, Qt::AutoConnection); });
  UpdateActions();
}

CSimHotplug::~CSimHotplug() {
  // Waits for a listener call in progress, so none reaches this object after.
  m_device->SetPlugListener(nullptr);
}

void CSimHotplug::Plug() { m_device->Plug(); }

void CSimHotplug::Unplug() { m_device->Unplug(); }

void CSimHotplug::OnPlugChanged() {
  UpdateActions();
  emit DevicesChanged();
}

void CSimHotplug::UpdateActions() {
  const bool plugged = m_device->IsPlugged();
  m_plugAction->setEnabled(!plugged);
  m_unplugAction->setEnabled(plugged);
}

}  // namespace brindle
