#pragma once
// A window's message queue and timers without a toolkit: messages posted from
// any thread and timers armed on the loop's thread are dispatched, one at a
// time, on the thread that runs the loop. Posted messages go before timers;
// a due timer produces one WM_TIMER and is then due again one period later,
// as window timers are.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "app/clock.h"
#include "core/messages.h"
#include "core/posted_message_queue.h"

namespace brindle {

class CMessageLoop {
 public:
  using Handler = std::function<void(uint32_t msg, WPARAM wParam, LPARAM lParam)>;

  explicit CMessageLoop(std::shared_ptr<IClock> clock = std::make_shared<CSteadyClock>());

  // Any thread.
  void Post(uint32_t msg, WPARAM wParam, LPARAM lParam);
  // Loop thread. Arming an armed timer restarts its period.
  void SetTimer(uint32_t id, uint32_t periodMs);
  void KillTimer(uint32_t id);
  bool IsTimerArmed(uint32_t id) const;

  // Dispatches messages and timers through handler until done() holds
  // (checked before waiting and after every dispatch) or, when a limit is
  // given, until the clock passes it. Returns done().
  bool RunUntil(const std::function<bool()>& done, const Handler& handler,
                std::optional<SteadyTime> limit = std::nullopt);

 private:
  struct Timer {
    std::chrono::milliseconds period;
    SteadyTime due;
  };

  std::shared_ptr<IClock> m_clock;
  CPostedMessageQueue m_queue;
  std::map<uint32_t, Timer> m_timers;  // loop thread only
};

}  // namespace brindle
