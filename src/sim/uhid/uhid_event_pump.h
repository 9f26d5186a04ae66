#pragma once
// CUhidEventPump: drains a uhid channel on its own thread, at real-time
// priority where the system allows it. The kernel keeps at most 32 undelivered
// events per uhid device and drops output reports beyond that without telling
// the writer, whereas a real USB device holds the writer back. Taking every
// event off the kernel at once stands in for that flow control, however slowly
// the model then serves them.
//
// The thread never waits for the model's thread: events go into a ring
// allocated up front, handed over through two atomic counters. A lock shared
// with the (ordinary priority) model thread would let a busy writer starve
// the model while it holds the lock, and the pump with it.
#include <atomic>
#include <cstddef>
#include <memory>
#include <thread>
#include <vector>

#include "core/unique_fd.h"
#include "sim/uhid/uhid_server.h"

namespace brindle {

class CUhidEventPump {
 public:
  // Events the ring holds before the pump stops reading the channel (far
  // more than the device model ever leaves unanswered).
  static constexpr size_t kCapacity = 4096;

  // fd: the uhid channel, not owned; it must outlive the pump.
  explicit CUhidEventPump(int fd);
  ~CUhidEventPump();  // stops the thread and joins it
  CUhidEventPump(const CUhidEventPump&) = delete;
  CUhidEventPump& operator=(const CUhidEventPump&) = delete;

  // Starts the thread. False when it could not be started.
  bool Start();
  // True when the thread runs at real-time priority.
  bool IsRealtime() const { return m_realtime.load(std::memory_order_acquire); }
  // Readable (poll) while events wait or once the channel has ended.
  int ReadyFd() const { return m_readyFd.Get(); }
  // Moves the waiting events to out, in order. False once the channel has
  // ended and every event was taken. Called from one thread only.
  bool Take(std::vector<UhidHostEvent>& out);

 private:
  void Run();

  int m_fd;
  CUniqueFd m_readyFd;  // eventfd: counts batches handed over
  CUniqueFd m_stopFd;   // eventfd: wakes the thread to stop
  std::thread m_thread;
  std::unique_ptr<UhidHostEvent[]> m_ring;
  std::atomic<size_t> m_produced{0};  // written by the pump thread only
  std::atomic<size_t> m_consumed{0};  // written by Take only
  std::atomic<bool> m_ended{false};   // the channel failed or closed
  std::atomic<bool> m_realtime{false};
};

}  // namespace brindle
