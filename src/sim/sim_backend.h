#pragma once
// The simulated device behind the HID backend seam.
#include <memory>

#include "device/hid_backend.h"
#include "sim/sim_device.h"

namespace brindle {

class CSimBackend final : public IHidBackend {
 public:
  explicit CSimBackend(std::shared_ptr<CSimDevice> device) : m_device(std::move(device)) {}

  std::vector<HidInterfaceInfo> Enumerate() override;
  std::unique_ptr<IHidDevice> Open(const std::string& path, HidOpenFailure& failure) override;
  bool Probe(const std::string& path) override;
  bool PathsCarryIds() const override { return false; }

  CSimDevice& Device() { return *m_device; }

 private:
  std::shared_ptr<CSimDevice> m_device;
};

}  // namespace brindle
