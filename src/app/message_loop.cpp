#include "app/message_loop.h"

#include "app/window_ids.h"

namespace brindle {

CMessageLoop::CMessageLoop(std::shared_ptr<IClock> clock) : m_clock(std::move(clock)) {}

void CMessageLoop::Post(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  m_queue.PostMessage(msg, wParam, lParam);
}

void CMessageLoop::SetTimer(uint32_t id, uint32_t periodMs) {
  const std::chrono::milliseconds period(periodMs);
  m_timers[id] = {period, m_clock->Now() + period};
}

void CMessageLoop::KillTimer(uint32_t id) { m_timers.erase(id); }

bool CMessageLoop::IsTimerArmed(uint32_t id) const { return m_timers.count(id) != 0; }

bool CMessageLoop::RunUntil(const std::function<bool()>& done, const Handler& handler,
                            std::optional<SteadyTime> limit) {
  while (!done()) {
    if (const auto p = m_queue.TryTake()) {
      handler(p->msg, p->wParam, p->lParam);
      continue;
    }
    const SteadyTime now = m_clock->Now();
    if (limit && now >= *limit) break;
    // The earliest due timer; ties go to the lower id.
    auto next = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
      if (next == m_timers.end() || it->second.due < next->second.due) next = it;
    if (next != m_timers.end() && next->second.due <= now) {
      const uint32_t id = next->first;
      next->second.due = now + next->second.period;
      handler(WM_TIMER, id, 0);
      continue;
    }
    std::optional<SteadyTime> wake = limit;
    if (next != m_timers.end() && (!wake || next->second.due < *wake)) wake = next->second.due;
    // A message posted since TryTake is seen before anything waits.
    m_queue.WaitForMessage([&](std::condition_variable& posted, std::unique_lock<std::mutex>& lock) {
      if (wake)
        m_clock->WaitUntil(posted, lock, *wake);
      else
        posted.wait(lock);
    });
  }
  return done();
}

}  // namespace brindle
