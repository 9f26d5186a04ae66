#include "sim/sim_backend.h"

#include "device/hid_io.h"

namespace brindle {

namespace {

class CSimHidDevice final : public IHidDevice {
 public:
  CSimHidDevice(std::shared_ptr<CSimDevice> device, uint64_t generation)
      : m_device(std::move(device)), m_generation(generation) {}

  int Write(const uint8_t* report, size_t length) override {
    return m_device->ReceiveReport(report, length, m_generation);
  }
  int Read(uint8_t* buffer, size_t length, int timeoutMs) override {
    return m_device->SendReport(buffer, length, timeoutMs, m_generation);
  }

 private:
  std::shared_ptr<CSimDevice> m_device;
  uint64_t m_generation;  // the plug this handle was opened on
};

}  // namespace

std::vector<HidInterfaceInfo> CSimBackend::Enumerate() {
  if (!m_device->IsPlugged()) return {};
  return {{m_device->Path(), kDeviceVendorId, kDeviceProductId}};
}

std::unique_ptr<IHidDevice> CSimBackend::Open(const std::string& path, HidOpenFailure& failure) {
  failure = HidOpenFailure::kNone;
  if (path != m_device->Path() || !m_device->IsPlugged()) {
    failure = HidOpenFailure::kOther;
    return nullptr;
  }
  return std::make_unique<CSimHidDevice>(m_device, m_device->Generation());
}

bool CSimBackend::Probe(const std::string& path) { return path == m_device->Path() && m_device->IsPlugged(); }

}  // namespace brindle
