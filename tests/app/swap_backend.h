#pragma once
// A HID backend whose simulated device can be exchanged for another, as when
// the user unplugs one device and plugs in a different one at the same port.
#include <memory>
#include <mutex>

#include "sim/sim_backend.h"

namespace brindle::test {

class CSwapBackend final : public IHidBackend {
 public:
  explicit CSwapBackend(std::shared_ptr<CSimDevice> device) { Swap(std::move(device)); }

  // From now on the backend finds and opens device. Handles opened on the
  // earlier device keep talking to it.
  void Swap(std::shared_ptr<CSimDevice> device) {
    std::lock_guard lock(m_mutex);
    m_current = std::make_shared<CSimBackend>(std::move(device));
  }

  std::vector<HidInterfaceInfo> Enumerate() override { return Current()->Enumerate(); }
  std::unique_ptr<IHidDevice> Open(const std::string& path, HidOpenFailure& failure) override {
    return Current()->Open(path, failure);
  }
  bool Probe(const std::string& path) override { return Current()->Probe(path); }
  bool PathsCarryIds() const override { return false; }

 private:
  std::shared_ptr<CSimBackend> Current() {
    std::lock_guard lock(m_mutex);
    return m_current;
  }

  std::mutex m_mutex;
  std::shared_ptr<CSimBackend> m_current;
};

}  // namespace brindle::test
