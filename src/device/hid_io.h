#pragma once
// CHidIO: finds the one device of this product among the present HID
// interfaces, opens it and moves single 65-byte reports. It holds the
// per-device lock while open so that two copies never share a device.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "device/command_record.h"
#include "device/device_lock.h"
#include "device/hid_backend.h"

namespace brindle {

constexpr uint16_t kDeviceVendorId = 0x0416;
constexpr uint16_t kDeviceProductId = 0xB500;
// Case-sensitive text that names the device in a Windows interface path.
constexpr const char* kDeviceMatchText = "vid_0416&pid_b500";

// How long one report read may wait for the device. After the last data
// report of a large section the device programs its flash before it sends
// the status reply; the largest section (5 MiB) takes several seconds on
// slow parts, so the bound leaves generous room above that while a silent or
// vanished device still fails the command in bounded time.
constexpr int kReportReadTimeoutMs = 20000;
// Slice of a read wait: an abort request is seen at least this often.
constexpr int kReadSliceMs = 100;

// How the link last failed: what a user is told the device did.
enum class LinkFailure : uint8_t {
  kNone,
  kTimedOut,  // a report read waited its whole bound: the device fell silent
  kAborted,   // a waiting read was cut short on request (stop, removal)
  kBroken,    // a report could not be moved at all: the device went away
};

class CHidIO {
 public:
  explicit CHidIO(std::shared_ptr<IHidBackend> backend);
  virtual ~CHidIO();
  CHidIO(const CHidIO&) = delete;
  CHidIO& operator=(const CHidIO&) = delete;

  // 1 when a matching device was found, locked and opened; 0 otherwise.
  int FindAndOpen();
  // buffer: 65 bytes. Byte 0 receives the report id (0), bytes 1..64 the
  // payload. bytesRead gets the report length (payload + 1). 1 ok, 0 failed.
  int ReadReport(uint8_t* buffer, uint32_t* bytesRead = nullptr);
  // buffer: 65 bytes, byte 0 the report id. 1 ok, 0 failed.
  int WriteReport(const uint8_t* buffer, uint32_t* bytesWritten = nullptr);
  void Close();

  // Makes a waiting read fail at its next slice (any thread); cleared when
  // the read returns.
  void AbortRead() { m_abortRequested.store(true, std::memory_order_release); }
  void SetReadTimeoutMs(int ms) { m_readTimeoutMs = ms; }
  int ReadTimeoutMs() const { return m_readTimeoutMs; }
  // True once a report write was refused, or a read failed, timed out or
  // was aborted, since the last ClearTransportFailure (or open). Unlike a
  // status reply this is the link itself failing: the device went away, fell
  // silent or lost reports, whatever its version.
  bool TransportFailed() const { return m_failure != LinkFailure::kNone; }
  LinkFailure LastLinkFailure() const { return m_failure; }
  void ClearTransportFailure() { m_failure = LinkFailure::kNone; }
  bool IsOpen() const { return m_device != nullptr; }
  IHidBackend& Backend() { return *m_backend; }
  // Why the last FindAndOpen found a matching device but could not open it.
  HidOpenFailure LastOpenFailure() const { return m_lastOpenFailure; }
  // Why the device's lock could not be taken (with kLockUnavailable).
  const std::string& LockError() const { return m_lockError; }
  // Folder of the per-device lock files (tests point it elsewhere).
  void SetLockFolder(std::string folder) { m_lockFolder = std::move(folder); }

  std::string m_devicePath;  // interface path of the device found last

 private:
  bool Matches(const HidInterfaceInfo& info) const;
  // One report's payload into buffer + 1: its length, or -1 when the read
  // failed, timed out or was aborted (m_failure says which).
  int ReadPayload(uint8_t* buffer);

  std::shared_ptr<IHidBackend> m_backend;
  std::unique_ptr<IHidDevice> m_device;  // the open interface, null when closed
  CSharedLock m_deviceLock;              // held exactly while m_device is open
  std::string m_lockFolder;
  std::string m_lockError;
  int m_readTimeoutMs = kReportReadTimeoutMs;
  std::atomic<bool> m_abortRequested{false};
  LinkFailure m_failure = LinkFailure::kNone;  // used by the thread that moves the reports
  HidOpenFailure m_lastOpenFailure = HidOpenFailure::kNone;
};

}  // namespace brindle
