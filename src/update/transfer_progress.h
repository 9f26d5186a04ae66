#pragma once
// The counters of a running transfer. The section writer and the read-back
// set them from the worker's thread; the window's progress messages add the
// acknowledged bytes and its timer reads them all. Each field is one atomic
// value, so no lock is needed.
#include <atomic>
#include <cstdint>

#include "update/transfer_layout.h"

namespace brindle {

struct TransferProgress {
  // Device operation in progress (a TransferStage): CountsAsProgress says
  // whose acknowledged bytes count. Nothing counts until a transfer sets it.
  std::atomic<uint8_t> stage{kStageFinished};
  // Attempt of the write in progress (1 the first); 0 outside a transfer.
  std::atomic<uint32_t> attempt{0};
  std::atomic<uint32_t> ticks{0};       // 166 ms ticks since the transfer began
  std::atomic<uint32_t> bytesDone{0};   // bytes acknowledged (or read back) so far
  std::atomic<uint32_t> bytesTotal{0};  // total bytes of the transfer; 0 = none

  // A new transfer of total bytes, nothing done yet.
  void Begin(uint32_t total) {
    bytesDone.store(0, std::memory_order_relaxed);
    attempt.store(0, std::memory_order_relaxed);
    ticks.store(0, std::memory_order_relaxed);
    bytesTotal.store(total, std::memory_order_relaxed);
  }
  // No transfer any more: the bar shows nothing.
  void Clear() {
    bytesTotal.store(0, std::memory_order_relaxed);
    bytesDone.store(0, std::memory_order_relaxed);
    attempt.store(0, std::memory_order_relaxed);
  }
};

}  // namespace brindle
