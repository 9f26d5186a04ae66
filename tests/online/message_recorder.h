#pragma once
// Records the messages posted to it, for checking order and parameters.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/messages.h"

namespace brindle::test {

using RecordedMessage = PostedMessage;

class CMessageRecorder : public IMessageTarget {
 public:
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_messages.push_back({msg, wParam, lParam});
    }
    m_posted.notify_all();
  }
  // Waits until a message msg has been posted; false on time-out.
  bool WaitFor(uint32_t msg, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_posted.wait_for(lock, timeout, [&] {
      for (const auto& m : m_messages)
        if (m.msg == msg) return true;
      return false;
    });
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.clear();
  }
  std::vector<RecordedMessage> All() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
  }
  std::vector<RecordedMessage> Only(uint32_t msg) {
    std::vector<RecordedMessage> result;
    for (const auto& m : All())
      if (m.msg == msg) result.push_back(m);
    return result;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_posted;
  std::vector<RecordedMessage> m_messages;
};

}  // namespace brindle::test
