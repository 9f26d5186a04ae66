#pragma once
// The clock seam: whatever waits for time to pass asks a clock, so tests can
// let time jump instead of sleeping.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace brindle {

using SteadyTime = std::chrono::steady_clock::time_point;

class IClock {
 public:
  virtual ~IClock() = default;
  virtual SteadyTime Now() = 0;
  // Waits (lock held on entry and on return) until deadline or until cv is
  // notified, whichever comes first.
  virtual void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                         SteadyTime deadline) = 0;
};

class CSteadyClock final : public IClock {
 public:
  SteadyTime Now() override { return std::chrono::steady_clock::now(); }
  void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                 SteadyTime deadline) override {
    cv.wait_until(lock, deadline);
  }
};

// A clock that only moves when waited on: a wait moves it to the deadline at
// once. For tests of code that waits.
class CManualClock final : public IClock {
 public:
  SteadyTime Now() override { return m_now; }
  void WaitUntil(std::condition_variable&, std::unique_lock<std::mutex>&, SteadyTime deadline) override {
    if (deadline > m_now) m_now = deadline;
  }
  void Advance(std::chrono::milliseconds by) { m_now += by; }

 private:
  SteadyTime m_now{};
};

}  // namespace brindle
