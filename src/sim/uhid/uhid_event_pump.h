#pragma once
// CUhidEventPump: drains a uhid channel on its own thread, at real-time
// priority where the system allows it. The kernel keeps at most 32 undelivered
// events per uhid device and drops output reports beyond that without telling
// the writer, whereas a real USB device holds the writer back. Taking every
// event off the kernel at once stands in for that flow control, however slowly
// the model then serves them.
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "core/unique_fd.h"
#include "sim/uhid/uhid_server.h"

namespace brindle {

class CUhidEventPump {
 public:
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
  // ended and every event was taken.
  bool Take(std::vector<UhidHostEvent>& out);

 private:
  void Run();

  int m_fd;
  CUniqueFd m_readyFd;  // eventfd: counts batches handed over
  CUniqueFd m_stopFd;   // eventfd: wakes the thread to stop
  std::thread m_thread;
  std::mutex m_mutex;
  std::deque<UhidHostEvent> m_events;  // under m_mutex
  bool m_ended = false;                // under m_mutex: the channel failed or closed
  std::atomic<bool> m_realtime{false};
};

}  // namespace brindle
