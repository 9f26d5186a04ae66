#include "device/hid_cmd.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace brindle {

CHidCmd::CHidCmd(std::shared_ptr<IHidBackend> backend) : m_io(std::move(backend)) {}

CHidCmd::~CHidCmd() { Disconnect(); }

void CHidCmd::Post(uint32_t msg, WPARAM tag, uint32_t bytes) {
  if (m_progressWnd) m_progressWnd->PostMessage(msg, tag, static_cast<LPARAM>(bytes));
}

int CHidCmd::SendCommand(uint8_t code, uint32_t blockAddress, uint32_t blockCount, uint32_t dataLength,
                         uint8_t area, uint32_t dataChecksum) {
  const CommandRecord rec = BuildRecord({code, blockAddress, blockCount, dataLength, area, dataChecksum});
  m_report.fill(kReportFiller);
  m_report[0] = 0;
  std::copy(rec.begin(), rec.end(), m_report.begin() + 1);
  return m_io.WriteReport(m_report.data());
}

int CHidCmd::ReceiveStatus(CommandRecord* reply) {
  if (reply) reply->fill(0);
  uint32_t count = 0;
  const int ok = m_io.ReadReport(m_report.data(), &count);
  if (!ok) return 0;
  // A short report leaves the missing record bytes zero, so it fails the checks.
  CommandRecord local{};
  const size_t copy = std::min<size_t>(count - 1u, record::kSize);
  std::copy_n(m_report.begin() + 1, copy, local.begin());
  if (!IsValidRecord(local)) return 0;
  if (reply) *reply = local;
  return ReplyStatus(local) == 0 ? 1 : 0;
}

int CHidCmd::ReadBlock(uint8_t area, uint32_t blockAddress, uint8_t* buffer) {
  if (!SendCommand(kCmdReadBlock, blockAddress, 1, 0, area, 0)) return kResultNotSent;
  m_cancel.store(0, std::memory_order_relaxed);
  uint32_t received = 0;
  while (received < kBlockSize) {
    uint32_t count = 0;
    if (!m_io.ReadReport(m_report.data(), &count) || count < 2) return static_cast<int>(received);
    const uint32_t payload = std::min(count - 1, kBlockSize - received);
    std::memcpy(buffer + received, m_report.data() + 1, payload);
    Post(WM_HID_BYTES_RECEIVED, 0, payload);
    received += payload;
    if (m_cancel.load(std::memory_order_relaxed)) return 0;
  }
  CommandRecord reply;
  return ReceiveStatus(&reply) ? static_cast<int>(received) : kResultBadReply;
}

int CHidCmd::SendBlocks(uint32_t blockCount, const uint8_t* data) {
  m_cancel.store(0, std::memory_order_relaxed);
  // The result is a byte count in an int; a larger run cannot be reported.
  if (blockCount > static_cast<uint32_t>(INT_MAX) / kBlockSize) return 0;
  const uint32_t total = blockCount * kBlockSize;
  const WPARAM tag = m_sentTag.load(std::memory_order_relaxed);
  uint32_t sent = 0;
  while (sent < total) {
    m_report.fill(kReportFiller);
    m_report[0] = 0;
    std::memcpy(m_report.data() + 1, data + sent, kReportPayload);
    uint32_t written = 0;
    if (!m_io.WriteReport(m_report.data(), &written) || written < 2) return static_cast<int>(sent);
    const uint32_t payload = written - 1;
    Post(WM_HID_BYTES_SENT, tag, payload);
    sent += payload;
    if (m_cancel.load(std::memory_order_relaxed)) return 0;
  }
  return ReceiveStatus() ? static_cast<int>(sent) : kResultBadReply;
}

int CHidCmd::ReceiveReply(int okResult) { return ReceiveStatus() ? okResult : kResultBadReply; }

int CHidCmd::EndSession() {
  if (!SendCommand(kCmdEndSession, kSessionAddress, kSessionCount, 0, 0, 0)) return kResultNotSent;
  return ReceiveReply(1);
}

int CHidCmd::EndUpdate() {
  if (!SendCommand(kCmdEndUpdate, 0, 0, 0, 0, 0)) return kResultNotSent;
  return ReceiveReply(0);
}

int CHidCmd::Connect() {
  const int opened = m_io.FindAndOpen();
  m_connected.store(opened, std::memory_order_release);
  return opened;
}

int CHidCmd::IsDevicePresent() {
  if (!m_connected.load(std::memory_order_acquire)) return 0;
  return m_io.Backend().Probe(m_io.m_devicePath) ? 1 : 0;
}

void CHidCmd::Disconnect() {
  if (m_connected.exchange(0, std::memory_order_acq_rel)) m_io.Close();
}

}  // namespace brindle
