#pragma once
// The HID backend over hidapi (hidraw on Linux).
#include "device/hid_backend.h"

namespace brindle {

class CHidapiBackend final : public IHidBackend {
 public:
  CHidapiBackend();
  ~CHidapiBackend() override;

  std::vector<HidInterfaceInfo> Enumerate() override;
  std::unique_ptr<IHidDevice> Open(const std::string& path, HidOpenFailure& failure) override;
  bool Probe(const std::string& path) override;
  bool PathsCarryIds() const override;
  bool LocksOnNode() const override;

 private:
  bool m_initialized = false;  // hid_init() succeeded; hid_exit() owed
};

}  // namespace brindle
