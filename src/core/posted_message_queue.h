#pragma once
// CPostedMessageQueue: the queue behind every PostMessage target. Any thread
// posts; the owner's thread takes the messages in the order they came.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "core/messages.h"

namespace brindle {

class CPostedMessageQueue final : public IMessageTarget {
 public:
  // Any thread; wakes a waiting taker.
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override;
  // The oldest message, taken off the queue; nothing when none is queued.
  std::optional<PostedMessage> TryTake();
  // Waits at most timeout for a message and takes it.
  std::optional<PostedMessage> Take(std::chrono::milliseconds timeout);
  // Returns at once when a message is queued; otherwise runs wait, which
  // must block on the condition variable with the lock held (as
  // condition_variable::wait_until does) and may return early. True when a
  // message is queued afterwards. Lets an owner wait on its own clock.
  using Wait = std::function<void(std::condition_variable&, std::unique_lock<std::mutex>&)>;
  bool WaitForMessage(const Wait& wait);
  size_t Size() const;

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_posted;
  std::deque<PostedMessage> m_messages;  // guarded by m_mutex
};

}  // namespace brindle
