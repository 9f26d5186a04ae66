#include "device/hidapi_backend.h"

#include <hidapi/hidapi.h>

#include "device/hid_node_probe.h"

namespace brindle {

namespace {

struct HidDeviceCloser {
  void operator()(hid_device* d) const { hid_close(d); }
};

class CHidapiDevice final : public IHidDevice {
 public:
  explicit CHidapiDevice(hid_device* device) : m_device(device) {}

  int Write(const uint8_t* report, size_t length) override {
    return hid_write(m_device.get(), report, length);
  }

  int Read(uint8_t* buffer, size_t length, int timeoutMs) override {
    return hid_read_timeout(m_device.get(), buffer, length, timeoutMs);
  }

 private:
  std::unique_ptr<hid_device, HidDeviceCloser> m_device;
};

}  // namespace

CHidapiBackend::CHidapiBackend() : m_initialized(hid_init() == 0) {}

CHidapiBackend::~CHidapiBackend() {
  if (m_initialized) hid_exit();
}

std::vector<HidInterfaceInfo> CHidapiBackend::Enumerate() {
  std::vector<HidInterfaceInfo> result;
  if (!m_initialized) return result;
  hid_device_info* list = hid_enumerate(0, 0);
  for (hid_device_info* d = list; d; d = d->next) {
    if (!d->path) continue;
    result.push_back({d->path, d->vendor_id, d->product_id});
  }
  hid_free_enumeration(list);
  return result;
}

std::unique_ptr<IHidDevice> CHidapiBackend::Open(const std::string& path, HidOpenFailure& failure) {
  failure = HidOpenFailure::kNone;
  if (!m_initialized) {
    failure = HidOpenFailure::kOther;
    return nullptr;
  }
  hid_device* device = hid_open_path(path.c_str());
  if (!device) {
    failure = HidOpenFailureOf(path);
    return nullptr;
  }
  return std::make_unique<CHidapiDevice>(device);
}

bool CHidapiBackend::Probe(const std::string& path) { return HidNodePresent(path); }

bool CHidapiBackend::PathsCarryIds() const {
#ifdef _WIN32
  return true;
#else
  return false;
#endif
}

bool CHidapiBackend::LocksOnNode() const {
  // hidraw paths are the /dev/hidrawN nodes themselves.
#ifdef _WIN32
  return false;
#else
  return true;
#endif
}

}  // namespace brindle
