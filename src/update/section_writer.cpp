#include "update/section_writer.h"

namespace brindle {

CSectionWriter::CSectionWriter(CHidCmd& hid, TransferProgress& progress, const std::atomic<bool>& stop)
    : m_hid(hid), m_progress(progress), m_stop(stop) {}

void MarkTransferStage(TransferProgress& progress, CHidCmd& hid, uint8_t stage) {
  progress.stage.store(stage, std::memory_order_relaxed);
  hid.SetSentTag(stage);
}

void CSectionWriter::SetStage(uint8_t stage) { MarkTransferStage(m_progress, m_hid, stage); }

// A stop request, or a device that went away: no further write is started.
bool CSectionWriter::Stopped() const {
  return m_stop.load(std::memory_order_acquire) || !m_hid.IsConnected();
}

// One attempt: the WriteBlocks command and, only when it went out, the data
// with its status reply.
CSectionWriter::Attempt CSectionWriter::WriteOnce(const SectionImage& s) {
  m_hid.ClearTransportFailure();
  const uint32_t count = s.BlockCount();
  if (!m_hid.SendCommand(kCmdWriteBlocks, s.destination.block, count, s.dataLength, s.destination.area,
                         s.checksum))
    return Attempt::kLinkFailed;
  const int sent = m_hid.SendBlocks(count, s.data.data());
  if (sent == static_cast<int>(count * kBlockSize)) return Attempt::kWritten;
  if (m_hid.TransportFailed()) return Attempt::kLinkFailed;
  // SendBlocks returns 0 without a transport failure only when cancelled.
  if (sent == 0) return Attempt::kCancelled;
  return Attempt::kRefused;
}

WriteResult CSectionWriter::Write(const SectionImage& s) {
  m_attempts = 0;
  m_linkFailure = LinkFailure::kNone;
  const auto failed = [&](Attempt a) {
    if (a == Attempt::kLinkFailed) {
      m_linkFailure = m_hid.LastLinkFailure();
      return WriteResult::kLinkLost;
    }
    return Stopped() || a == Attempt::kCancelled ? WriteResult::kStopped : WriteResult::kRefused;
  };
  if (!UsesRetries(m_deviceVersion)) {
    // Older devices answer writes without meaning: one attempt whose answer
    // is ignored (what they kept is read back after the run). Only the
    // answer, though: data that never reached the device, because the link
    // failed or the write was cut short, fails the write as on any device.
    if (Stopped()) return WriteResult::kStopped;
    m_attempts = 1;
    m_progress.attempt.store(1, std::memory_order_relaxed);
    const Attempt a = WriteOnce(s);
    return a == Attempt::kWritten || a == Attempt::kRefused ? WriteResult::kWritten : failed(a);
  }
  const int attempts = s.destination.retried ? kRetriedAttempts : 1;
  // A retry resends the whole write, so the progress goes back to where the
  // write began.
  const uint32_t remembered = m_progress.bytesDone.load(std::memory_order_relaxed);
  Attempt last = Attempt::kRefused;
  for (int i = 0; i < attempts; ++i) {
    // Checked between attempts so a stop or a removed device ends the run
    // instead of starting ten more writes.
    if (Stopped()) return WriteResult::kStopped;
    m_attempts = i + 1;
    m_progress.attempt.store(static_cast<uint32_t>(i + 1), std::memory_order_relaxed);
    last = WriteOnce(s);
    if (last == Attempt::kWritten) return WriteResult::kWritten;
    if (s.destination.retried) m_progress.bytesDone.store(remembered, std::memory_order_relaxed);
  }
  return failed(last);
}

}  // namespace brindle
