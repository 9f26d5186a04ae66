#include "sim/sim_device.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/byte_order.h"
#include "core/byte_sum.h"
#include "core/scrambled_byte_sum.h"

namespace brindle {

namespace {
std::string NextSimPath() {
  // Unique per process and device, so the per-device locks of concurrent test
  // runs never meet.
  static std::atomic<unsigned> counter{0};
  return "sim:" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
}
}  // namespace

CSimDevice::CSimDevice(const SimProfile& profile)
    : m_path(NextSimPath()),
      m_profile(profile),
      m_area0(size_t{kSimArea0Blocks} * kBlockSize, 0xFF),
      m_area1(size_t{kSimArea1Blocks} * kBlockSize, 0xFF),
      m_failWritesLeft(profile.faults.failWrites),
      m_lyingStatusLeft(profile.faults.lyingStatus),
      m_badStoreLeft(profile.faults.badStore),
      m_corruptLeft(profile.faults.corruptReplies) {
  std::copy(profile.identity.begin(), profile.identity.end(), m_area0.begin() + kIdentityBlock * kBlockSize);
  std::copy(profile.settings.begin(), profile.settings.end(), m_area0.begin() + kSettingsBlock * kBlockSize);
  StoreLE32(&m_area1[size_t{kDataDateBlock} * kBlockSize], profile.dataSeconds);
  // A count of 0 means the fault holds from the start.
  if (profile.faults.unplugAfterReports == 0) m_plugged = false;
  if (profile.faults.silentAfterReports == 0) m_silent = true;
}

void CSimDevice::Plug() {
  {
    std::lock_guard lock(m_mutex);
    if (m_plugged) return;
    m_plugged = true;
    ++m_generation;
    m_receiving = false;
    m_queueSize = 0;
  }
  AnnouncePlugChange();
}

void CSimDevice::Unplug() {
  {
    std::lock_guard lock(m_mutex);
    if (!m_plugged) return;
    m_plugged = false;
  }
  m_outputReady.notify_all();
  AnnouncePlugChange();
}

void CSimDevice::SetPlugListener(std::function<void()> listener) {
  std::lock_guard lock(m_listenerMutex);
  m_plugListener = std::move(listener);
}

void CSimDevice::AnnouncePlugChange() {
  std::lock_guard lock(m_listenerMutex);
  if (m_plugListener) m_plugListener();
}

namespace {

// Waits until deadline. One sleep is not enough everywhere: MinGW's thread
// runtime turns waits below a millisecond into none at all, so the wait
// goes on until the clock itself says the time has come.
void WaitUntil(std::chrono::steady_clock::time_point deadline) {
  while (std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

void WaitFor(std::chrono::microseconds span) { WaitUntil(std::chrono::steady_clock::now() + span); }

}  // namespace

void CSimDevice::PaceReport() {
  if (m_profile.frameMicros <= 0) return;
  using Clock = std::chrono::steady_clock;
  const auto frame = std::chrono::microseconds(m_profile.frameMicros);
  Clock::time_point end;
  {
    std::lock_guard lock(m_mutex);
    // Frames follow each other on a fixed grid, as the bus's start-of-frame
    // marks do. A report takes the frame after the last one used; a host
    // that missed whole frames gets the frame it is in now. The wait ends
    // at the frame's end, a deadline, so the sleep's own overshoot (less
    // than a frame) never adds up over thousands of reports.
    const Clock::time_point now = Clock::now();
    if (m_frameEnd == Clock::time_point{}) m_frameEnd = now;
    end = m_frameEnd + frame;
    if (now - m_frameEnd >= frame) end += (now - m_frameEnd) / frame * frame;
    m_frameEnd = end;
  }
  WaitUntil(end);
}

bool CSimDevice::IsPlugged() const {
  std::lock_guard lock(m_mutex);
  return m_plugged;
}

uint64_t CSimDevice::Generation() const {
  std::lock_guard lock(m_mutex);
  return m_generation;
}

std::vector<uint8_t> CSimDevice::AreaCopy(uint8_t area) const {
  std::lock_guard lock(m_mutex);
  return area == 0 ? m_area0 : m_area1;
}

uint64_t CSimDevice::ReportCount() const {
  std::lock_guard lock(m_mutex);
  return m_reports;
}

std::vector<CSimDevice::LoggedCommand> CSimDevice::CommandLog() const {
  std::lock_guard lock(m_mutex);
  return m_log;
}

bool CSimDevice::CountReport() {
  ++m_reports;
  const auto& f = m_profile.faults;
  bool removed = false;
  // Once, at that report: a device plugged in again afterwards stays, as a
  // device that restarted or was replugged by its user.
  if (f.unplugAfterReports >= 0 && m_reports == static_cast<uint64_t>(f.unplugAfterReports) && m_plugged) {
    m_plugged = false;
    removed = true;
  }
  if (f.silentAfterReports >= 0 && m_reports >= static_cast<uint64_t>(f.silentAfterReports)) {
    m_silent = true;
    m_queueSize = 0;
  }
  return removed;
}

int CSimDevice::ReceiveReport(const uint8_t* report, size_t length, uint64_t generation) {
  if (m_profile.faults.reportDelayMicros > 0)
    WaitFor(std::chrono::microseconds(m_profile.faults.reportDelayMicros));
  PaceReport();
  bool removed = false;
  int result = static_cast<int>(length);
  {
    std::lock_guard lock(m_mutex);
    if (!m_plugged || generation != m_generation) return -1;
    if (length != kReportLength) return -1;
    removed = CountReport();
    if (!m_plugged) {
      result = -1;
    } else if (!m_silent) {
      const uint8_t* payload = report + 1;
      if (m_receiving) {
        const uint64_t take = std::min<uint64_t>(kReportPayload, m_writeExpected - m_writeFill);
        if (!m_writeData.empty()) std::memcpy(m_writeData.data() + m_writeFill, payload, take);
        m_writeFill += take;
        if (m_writeFill == m_writeExpected) FinishWrite();
      } else {
        HandleCommand(payload);
      }
    }
  }
  m_outputReady.notify_all();
  if (removed) AnnouncePlugChange();
  return result;
}

int CSimDevice::SendReport(uint8_t* payload, size_t length, int timeoutMs, uint64_t generation) {
  if (m_profile.faults.reportDelayMicros > 0)
    WaitFor(std::chrono::microseconds(m_profile.faults.reportDelayMicros));
  PaceReport();
  bool removed = false;
  int result = 0;
  {
    std::unique_lock lock(m_mutex);
    auto ready = [&] { return !m_plugged || generation != m_generation || m_queueSize > 0; };
    if (!ready() && !m_outputReady.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) return 0;
    if (!m_plugged || generation != m_generation) return -1;
    const Payload& p = m_queue[m_queueHead];
    const size_t n = std::min(length, p.size());
    std::memcpy(payload, p.data(), n);
    m_queueHead = (m_queueHead + 1) % kQueueSlots;
    --m_queueSize;
    removed = CountReport();
    result = m_plugged ? static_cast<int>(n) : -1;
  }
  if (removed) {
    m_outputReady.notify_all();
    AnnouncePlugChange();
  }
  return result;
}

std::vector<uint8_t>* CSimDevice::AreaFor(uint8_t area) {
  if (area == kParameterArea) return &m_area0;
  if (area == kDataArea) return &m_area1;
  return nullptr;
}

bool CSimDevice::InRange(uint8_t area, uint32_t block, uint32_t count) {
  const std::vector<uint8_t>* mem = AreaFor(area);
  if (!mem) return false;
  const uint64_t blocks = mem->size() / kBlockSize;
  return uint64_t{block} + count <= blocks;
}

void CSimDevice::QueuePayload(const Payload& p) {
  if (m_queueSize == kQueueSlots) return;  // the host is not reading; drop
  m_queue[(m_queueHead + m_queueSize) % kQueueSlots] = p;
  ++m_queueSize;
}

void CSimDevice::QueueReply(uint32_t status, uint32_t value) {
  Payload p{};
  CommandRecord rec = BuildReply(status, value);
  if (m_corruptLeft > 0) {
    --m_corruptLeft;
    rec[record::kRecordChecksum] ^= 0x5A;
  }
  std::copy(rec.begin(), rec.end(), p.begin());
  QueuePayload(p);
}

void CSimDevice::Log(const CommandFields& f, uint32_t status) { m_log.push_back({f, status}); }

void CSimDevice::HandleCommand(const uint8_t* bytes) {
  CommandRecord rec;
  std::copy_n(bytes, rec.size(), rec.begin());
  const CommandFields f = ReadRecordFields(rec);
  if (!IsValidRecord(rec)) {
    Log(f, kSimBadRecord);
    QueueReply(kSimBadRecord, 0);
    return;
  }
  switch (f.code) {
    case kCmdReadBlock: {
      // A refused read still sends its four data reports (0xFF) so that the
      // host's reads stay in step and it learns the failure from the status.
      const bool ok = f.blockCount == 1 && InRange(f.area, f.blockAddress, 1);
      for (uint32_t i = 0; i < kBlockSize / kReportPayload; ++i) {
        Payload p;
        p.fill(0xFF);
        if (ok) {
          const auto& mem = *AreaFor(f.area);
          std::memcpy(p.data(), &mem[size_t{f.blockAddress} * kBlockSize + i * kReportPayload],
                      kReportPayload);
        }
        QueuePayload(p);
      }
      const uint32_t status = ok ? kSimOk : kSimBadAddress;
      Log(f, status);
      QueueReply(status, 0);
      return;
    }
    case kCmdWriteBlocks:
      if (f.blockCount == 0) {
        Log(f, kSimOk);
        QueueReply(kSimOk, 0);
        return;
      }
      m_receiving = true;
      m_write = f;
      m_writeExpected = uint64_t{f.blockCount} * kBlockSize;
      m_writeFill = 0;
      // More data than any area holds is taken in without being kept, and
      // refused once it has all arrived.
      if (f.blockCount <= kSimArea1Blocks) m_writeData.assign(m_writeExpected, 0);
      return;
    case kCmdEndSession:
    case kCmdEndUpdate:
      Log(f, kSimOk);
      QueueReply(kSimOk, 0);
      return;
    case kCmdQueryVersion:
      Log(f, kSimOk);
      QueueReply(kSimOk, m_profile.version);
      return;
    default:
      Log(f, kSimUnknownCommand);
      QueueReply(kSimUnknownCommand, 0);
      return;
  }
}

void CSimDevice::FinishWrite() {
  m_receiving = false;
  const CommandFields& f = m_write;
  // Every write with data takes its turn in each write fault's count (see
  // SimFaults), whichever of them, if any, decides its outcome.
  const bool injectedFailure = m_failWritesLeft > 0;
  const bool lying = m_lyingStatusLeft > 0;
  const bool badStore = m_badStoreLeft > 0;
  if (injectedFailure) --m_failWritesLeft;
  if (lying) --m_lyingStatusLeft;
  if (badStore) --m_badStoreLeft;
  uint32_t status = kSimOk;
  if (injectedFailure) {
    status = kSimInjectedFailure;
  } else if (m_writeData.empty() || !InRange(f.area, f.blockAddress, f.blockCount)) {
    status = kSimBadAddress;
  } else if (f.dataChecksum != 0) {
    uint32_t expected = 0;
    if (f.dataLength != 0) {
      if (f.dataLength > m_writeData.size()) {
        status = kSimChecksumMismatch;
      } else {
        expected = ScrambledByteSum(m_writeData.data(), f.dataLength) +
                   ByteSum(m_writeData.data() + f.dataLength, m_writeData.size() - f.dataLength);
      }
    } else {
      expected = ByteSum(m_writeData.data(), m_writeData.size());
    }
    if (status == kSimOk && expected != f.dataChecksum) status = kSimChecksumMismatch;
  }
  if (status == kSimOk) {
    // badStore keeps the first byte of the write (byte 0 of its first block)
    // inverted; the answer says nothing of it.
    if (badStore) m_writeData[0] ^= 0xFF;
    auto& mem = *AreaFor(f.area);
    std::copy(m_writeData.begin(), m_writeData.end(),
              mem.begin() + static_cast<ptrdiff_t>(size_t{f.blockAddress} * kBlockSize));
    // lyingStatus: stored as asked (or as badStore changed it), answered as
    // a failure.
    if (lying) status = kSimFalseFailure;
  }
  Log(f, status);
  QueueReply(status, 0);
  m_writeData.clear();
  m_writeData.shrink_to_fit();
}

}  // namespace brindle
