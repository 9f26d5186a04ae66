#include "core/posted_message_queue.h"

namespace brindle {

void CPostedMessageQueue::PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard lock(m_mutex);
    m_messages.push_back({msg, wParam, lParam});
  }
  m_posted.notify_one();
}

std::optional<PostedMessage> CPostedMessageQueue::TryTake() {
  std::lock_guard lock(m_mutex);
  if (m_messages.empty()) return std::nullopt;
  const PostedMessage message = m_messages.front();
  m_messages.pop_front();
  return message;
}

std::optional<PostedMessage> CPostedMessageQueue::Take(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  WaitForMessage([&](std::condition_variable& cv, std::unique_lock<std::mutex>& lock) {
    cv.wait_until(lock, deadline, [this] { return !m_messages.empty(); });
  });
  return TryTake();
}

bool CPostedMessageQueue::WaitForMessage(const Wait& wait) {
  std::unique_lock lock(m_mutex);
  if (m_messages.empty()) wait(m_posted, lock);
  return !m_messages.empty();
}

size_t CPostedMessageQueue::Size() const {
  std::lock_guard lock(m_mutex);
  return m_messages.size();
}

}  // namespace brindle
