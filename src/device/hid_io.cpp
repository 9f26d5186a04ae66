#include "device/hid_io.h"

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <string_view>

namespace brindle {

CHidIO::CHidIO(std::shared_ptr<IHidBackend> backend)
    : m_backend(std::move(backend)), m_lockFolder(SharedLockFolder()) {}

CHidIO::~CHidIO() { Close(); }

bool CHidIO::Matches(const HidInterfaceInfo& info) const {
  // Windows gives interface paths in either case (SetupDi lower, the
  // configuration manager upper): the text matches without regard to it.
  const std::string_view match(kDeviceMatchText);
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  const auto found = std::search(info.path.begin(), info.path.end(), match.begin(), match.end(),
                                 [&](char a, char b) { return lower(a) == b; });
  if (found != info.path.end()) return true;
  return !m_backend->PathsCarryIds() && info.vendorId == kDeviceVendorId &&
         info.productId == kDeviceProductId;
}

int CHidIO::FindAndOpen() {
  Close();
  m_lastOpenFailure = HidOpenFailure::kNone;
  m_lockError.clear();
  for (const HidInterfaceInfo& info : m_backend->Enumerate()) {
    if (!Matches(info)) continue;
    m_devicePath = info.path;
    LockResult locked;
    if (m_backend->LocksOnNode()) {
      locked = m_deviceLock.TryAcquireNode(info.path);
    } else {
      const auto lockName = PlatformDeviceLockName(info.path);
      if (!lockName) continue;
      locked = m_deviceLock.TryAcquireFile(m_lockFolder, *lockName);
    }
    if (locked == LockResult::kHeld) {
      // Another copy of the program, of any user, holds this device.
      m_lastOpenFailure = HidOpenFailure::kInUse;
      continue;
    }
    if (locked == LockResult::kUnusable) {
      // A node we may not even read is one we may not open either (the udev
      // hint fits), and one that cannot be opened at all is gone. An unusable
      // lock folder is said as it is, never as "no device".
      const int err = m_deviceLock.ErrorNumber();
      if (!m_backend->LocksOnNode())
        m_lastOpenFailure = HidOpenFailure::kLockUnavailable;
      else if (err == EACCES || err == EPERM)
        m_lastOpenFailure = HidOpenFailure::kPermission;
      else
        m_lastOpenFailure = HidOpenFailure::kOther;
      m_lockError = m_deviceLock.Error();
      continue;
    }
    HidOpenFailure failure = HidOpenFailure::kNone;
    m_device = m_backend->Open(info.path, failure);
    if (!m_device) {
      m_lastOpenFailure = failure;
      m_deviceLock.Release();
      continue;
    }
    m_lastOpenFailure = HidOpenFailure::kNone;
    m_failure = LinkFailure::kNone;
    return 1;
  }
  return 0;
}

int CHidIO::ReadReport(uint8_t* buffer, uint32_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  const int n = ReadPayload(buffer);
  if (n < 0) return 0;
  buffer[0] = 0;  // no report ids: the id byte is always 0
  if (bytesRead) *bytesRead = static_cast<uint32_t>(n) + 1;
  return 1;
}

int CHidIO::ReadPayload(uint8_t* buffer) {
  if (!m_device) {
    m_failure = LinkFailure::kBroken;
    return -1;
  }
  // Wait in slices so that an abort request ends the wait early; the clock is
  // only read when the device is slow, so the common path stays cheap.
  int n = m_device->Read(buffer + 1, kReportPayload, std::min(kReadSliceMs, m_readTimeoutMs));
  if (n == 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_readTimeoutMs);
    while (n == 0) {
      if (m_abortRequested.exchange(false, std::memory_order_acq_rel)) {
        m_failure = LinkFailure::kAborted;
        return -1;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
              .count();
      if (left <= 0) {
        m_failure = LinkFailure::kTimedOut;
        return -1;
      }
      n = m_device->Read(buffer + 1, kReportPayload,
                         static_cast<int>(std::min<long long>(kReadSliceMs, left)));
    }
  }
  m_abortRequested.store(false, std::memory_order_relaxed);
  if (n < 0) {
    m_failure = LinkFailure::kBroken;
    return -1;
  }
  return n;
}

int CHidIO::WriteReport(const uint8_t* buffer, uint32_t* bytesWritten) {
  if (bytesWritten) *bytesWritten = 0;
  const int n = m_device ? m_device->Write(buffer, kReportLength) : -1;
  if (n <= 0) {
    m_failure = LinkFailure::kBroken;
    return 0;
  }
  if (bytesWritten) *bytesWritten = static_cast<uint32_t>(kReportLength);
  return 1;
}

void CHidIO::Close() {
  m_device.reset();
  m_failure = LinkFailure::kNone;
  m_deviceLock.Release();
}

}  // namespace brindle
