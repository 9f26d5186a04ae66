// Transfer progress: timer 1 turns the byte counts of the running transfer
// into the text drawn over the progress bar.
#include <cstdio>

#include "app/brindle_window.h"
#include "app/update_worker.h"

namespace brindle {

namespace {

// Longest bar label kept as the prefix of the early progress text.
constexpr size_t kMaxPrefixLength = 1024;

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
  const uint32_t total = m_bytesTotal.load(std::memory_order_relaxed);
  if (total > 0 && m_bytesDone.load(std::memory_order_relaxed) < total) ShowTransferProgress();
}

void CBrindleWindow::ShowTransferProgress() {
  // The label the worker put on the bar when the transfer began.
  if (m_progressTicks.load(std::memory_order_relaxed) == 0)
    m_progressPrefix = GetControlText(kIdProgress).substr(0, kMaxPrefixLength);
  const uint32_t ticks = m_progressTicks.fetch_add(1, std::memory_order_relaxed) + 1;
  const unsigned seconds = ticks / kProgressTicksPerSecond;
  const uint32_t done = m_bytesDone.load(std::memory_order_relaxed);
  const uint32_t total = m_bytesTotal.load(std::memory_order_relaxed);
  std::string text;
  if (done == 0) {
    text = m_progressPrefix + "Time" + Format(" %uS   ", seconds);
  } else {
    // No total gives no meaningful share; show none rather than infinity.
    const double percent = total ? static_cast<double>(done) / total * 100.0 : 0.0;
    text = "Updated" + Format(" %.02f%%   ", percent) + "Time" + Format(" %u ", seconds) + "Second";
  }
  // A write being retried starts over and may wait long for a silent device:
  // say so, or the bar looks frozen.
  const uint32_t attempt = m_attempt.load(std::memory_order_relaxed);
  if (attempt > 1) text += Format("   Attempt %u", attempt) + Format(" of %d", kRetriedAttempts);
  SetProgressPos(done);
  SetControlText(kIdProgress, text);
}

}  // namespace brindle
