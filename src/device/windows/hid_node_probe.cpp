#include "device/hid_node_probe.h"

#include "core/windows/unicode.h"
#include "core/windows/unique_handle.h"
#include "core/windows/windows_api.h"

namespace brindle {

bool HidNodePresent(const std::string& path) {
  // No access rights asked: this opens even a device someone else uses.
  const CUniqueHandle h(CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  return static_cast<bool>(h);
}

HidOpenFailure HidOpenFailureOf(const std::string&) {
  // Windows needs no rule to grant access to a HID device: the permission
  // hint (a udev rule) would mislead here.
  return HidOpenFailure::kOther;
}

}  // namespace brindle
