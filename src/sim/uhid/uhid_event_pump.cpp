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
      m_stopFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

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
  std::lock_guard lock(m_mutex);
  const bool moved = !m_events.empty();
  out.insert(out.end(), m_events.begin(), m_events.end());
  m_events.clear();
  return !m_ended || moved;
}

void CUhidEventPump::Run() {
  // Only root (or CAP_SYS_NICE) gets this; without it the pump still runs,
  // and a busy system may then drop output reports.
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_FIFO);
  m_realtime.store(pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0,
                   std::memory_order_release);
  for (;;) {
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stopFd.Get(), POLLIN, 0}};
    const int ready = poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready > 0 && fds[1].revents) return;
    UhidHostEvent event;
    const bool ok = ready > 0 && ReadUhidEvent(m_fd, event);
    {
      std::lock_guard lock(m_mutex);
      if (ok) m_events.push_back(event);
      else m_ended = true;
    }
    Signal(m_readyFd.Get());
    if (!ok) return;
  }
}

}  // namespace brindle
