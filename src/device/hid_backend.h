#pragma once
// The HID backend seam: the few platform operations the transport needs.
// One implementation per platform (hidapi on Linux) and one for the
// simulated device; everything above the seam runs unchanged on either.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brindle {

struct HidInterfaceInfo {
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
};

// Why an interface that matched could not be opened.
enum class HidOpenFailure {
  kNone,
  kPermission,  // the node exists but the user may not open it
  kOther,
  kInUse,            // another copy of the program holds the device's lock
  kLockUnavailable,  // the device's lock cannot be taken at all (see LockError)
};

// One opened interface. Calls on one device come from one thread at a time.
class IHidDevice {
 public:
  virtual ~IHidDevice() = default;
  // Writes one output report: byte 0 is the report id. Returns the bytes
  // written, or -1 on failure.
  virtual int Write(const uint8_t* report, size_t length) = 0;
  // Reads one input report's payload (without a report id) into buffer,
  // waiting at most timeoutMs. Returns the payload length, 0 on time-out,
  // -1 on failure (the device is gone or broken).
  virtual int Read(uint8_t* buffer, size_t length, int timeoutMs) = 0;
};

class IHidBackend {
 public:
  virtual ~IHidBackend() = default;
  // The HID interfaces present now, in enumeration order.
  virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
  // Opens an interface for report reads and writes; null on failure, with
  // the reason in failure.
  virtual std::unique_ptr<IHidDevice> Open(const std::string& path, HidOpenFailure& failure) = 0;
  // True when the interface at path is still present (no handle kept).
  virtual bool Probe(const std::string& path) = 0;
  // Windows interface paths carry "vid_XXXX&pid_XXXX"; Linux hidraw paths
  // carry no ids, so the enumeration's ids are matched instead.
  virtual bool PathsCarryIds() const = 0;
  // True when an interface path is a device node that every process using
  // the device opens: the per-device lock is then an flock on the node
  // itself. Otherwise a lock file named after the path stands in for it.
  virtual bool LocksOnNode() const { return false; }
};

}  // namespace brindle
