// Transfer progress: timer 1 turns the byte counts of the running transfer
// into the text drawn over the progress bar.
#include <cstdio>

#include "app/brindle_window.h"
#include "app/update_worker.h"

namespace brindle {

namespace {

// Longest bar label kept as the prefix of the early progress text.
constexpr size_t kMaxPrefixLength = 1024;
// A transfer whose byte count has stood still this long says that it waits
// for the device, so a silent device does not look like a frozen bar.
constexpr uint32_t kStillTicks = 3 * kProgressTicksPerSecond;

std::string Format(const char* format, auto value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

void CBrindleWindow::OnTimer(uint32_t id) {
  if (id != kTimerProgress) {
    IdentifyDevice();
    return;
  }
  const uint32_t total = BytesTotal();
  if (total > 0 && BytesDone() < total) ShowTransferProgress();
}

void CBrindleWindow::ShowTransferProgress() {
  TransferProgress& p = m_worker.Progress();
  // The label the worker put on the bar when the transfer began.
  if (p.ticks.load(std::memory_order_relaxed) == 0) {
    m_progressPrefix = GetControlText(kIdProgress).substr(0, kMaxPrefixLength);
    m_lastShownDone = 0;
    m_lastMoveTick = 0;
  }
  const uint32_t ticks = p.ticks.fetch_add(1, std::memory_order_relaxed) + 1;
  const unsigned seconds = ticks / kProgressTicksPerSecond;
  const uint32_t done = p.bytesDone.load(std::memory_order_relaxed);
  const uint32_t total = p.bytesTotal.load(std::memory_order_relaxed);
  const bool verifying = p.stage.load(std::memory_order_relaxed) == kStageVerify;
  std::string text;
  if (done == 0) {
    text = m_progressPrefix + "Time" + Format(" %uS   ", seconds);
  } else {
    // No total gives no meaningful share; show none rather than infinity.
    const double percent = total ? static_cast<double>(done) / total * 100.0 : 0.0;
    text = (verifying ? "Verified" : "Updated") + Format(" %.02f%%   ", percent) + "Time" +
           Format(" %u ", seconds) + "Second";
  }
  if (done != m_lastShownDone) {
    m_lastShownDone = done;
    m_lastMoveTick = ticks;
  } else if (done < total && ticks - m_lastMoveTick >= kStillTicks) {
    text += Format("   Waiting for the device %uS", (ticks - m_lastMoveTick) / kProgressTicksPerSecond);
  }
  // A write being retried starts over and may wait long for a silent device:
  // say so, or the bar looks frozen.
  const uint32_t attempt = p.attempt.load(std::memory_order_relaxed);
  if (attempt > 1) text += Format("   Attempt %u", attempt) + Format(" of %d", kRetriedAttempts);
  SetProgressPos(done);
  SetControlText(kIdProgress, text);
}

}  // namespace brindle
