#include "sim/uhid/uhid_event_pump.h"

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace brindle {

namespace {

void Signal(int fd) {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(fd, &one, sizeof(one));
}

void Drain(int fd) {
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = read(fd, &count, sizeof(count));
}

}  // namespace

CUhidEventPump::CUhidEventPump(int fd)
    : m_fd(fd),
      m_readyFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_stopFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_ring(std::make_unique<UhidHostEvent[]>(kCapacity)) {}

CUhidEventPump::~CUhidEventPump() {
  if (m_thread.joinable()) {
    Signal(m_stopFd.Get());
    m_thread.join();
  }
}

bool CUhidEventPump::Start() {
  if (!m_readyFd || !m_stopFd || m_thread.joinable()) return false;
  m_thread = std::thread(&CUhidEventPump::Run, this);
  return true;
}

bool CUhidEventPump::Take(std::vector<UhidHostEvent>& out) {
  Drain(m_readyFd.Get());
  // The pump sets m_ended after publishing its last event: read it first so
  // that "ended" is never reported while an event is still unseen.
  const bool ended = m_ended.load(std::memory_order_acquire);
  const size_t produced = m_produced.load(std::memory_order_acquire);
  size_t consumed = m_consumed.load(std::memory_order_relaxed);
  const bool moved = consumed != produced;
  for (; consumed != produced; ++consumed) out.push_back(m_ring[consumed % kCapacity]);
  m_consumed.store(consumed, std::memory_order_release);
  return !ended || moved;
}

void CUhidEventPump::Run() {
  // Only root (or CAP_SYS_NICE) gets this; without it the pump still runs,
  // and a busy system may then drop output reports.
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_FIFO);
  m_realtime.store(pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0, std::memory_order_release);
  size_t produced = 0;
  for (;;) {
    const bool full = produced - m_consumed.load(std::memory_order_acquire) == kCapacity;
    // With the ring full, leave the channel alone (the kernel queue holds
    // what comes) and look again shortly for room.
    pollfd fds[2] = {{m_stopFd.Get(), POLLIN, 0}, {m_fd, POLLIN, 0}};
    const int ready = poll(fds, full ? 1 : 2, full ? 1 : -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready > 0 && fds[0].revents) return;
    if (ready >= 0 && full) continue;
    if (ready < 0 || !ReadUhidEvent(m_fd, m_ring[produced % kCapacity])) break;
    m_produced.store(++produced, std::memory_order_release);
    Signal(m_readyFd.Get());
  }
  m_ended.store(true, std::memory_order_release);
  Signal(m_readyFd.Get());
}

}  // namespace brindle
