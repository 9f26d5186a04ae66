// The toolkit-free message loop: posted messages and timers dispatched on the
// loop's thread, time taken from a manual clock.
#include "app/message_loop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/window_ids.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;

struct Event {
  uint32_t msg;
  WPARAM wParam;
  long long atMs;
  bool operator==(const Event&) const = default;
};

class MessageLoopTest : public ::testing::Test {
 protected:
  std::shared_ptr<CManualClock> clock = std::make_shared<CManualClock>();
  CMessageLoop loop{clock};
  SteadyTime start = clock->Now();
  std::vector<Event> events;
  CMessageLoop::Handler Record() {
    return [this](uint32_t msg, WPARAM w, LPARAM) {
      events.push_back(
          {msg, w, std::chrono::duration_cast<std::chrono::milliseconds>(clock->Now() - start).count()});
    };
  }
};

TEST_F(MessageLoopTest, TimersFireWhenDueAndRepeatUntilKilled) {
  loop.SetTimer(kTimerProgress, 166);
  loop.SetTimer(kTimerIdentify, 400);
  const bool done = loop.RunUntil([&] { return events.size() == 4; }, Record());
  EXPECT_TRUE(done);
  EXPECT_EQ(events, (std::vector<Event>{
                        {WM_TIMER, 1, 166}, {WM_TIMER, 1, 332}, {WM_TIMER, 2, 400}, {WM_TIMER, 1, 498}}));
  loop.KillTimer(kTimerIdentify);
  EXPECT_FALSE(loop.IsTimerArmed(kTimerIdentify));
  events.clear();
  loop.RunUntil([&] { return clock->Now() - start >= 1000ms; }, Record());
  for (const Event& e : events) EXPECT_EQ(e.wParam, kTimerProgress);
}

TEST_F(MessageLoopTest, PostedMessagesGoFirstInOrder) {
  loop.SetTimer(kTimerProgress, 10);
  clock->Advance(50ms);  // the timer is overdue
  loop.Post(WM_HID_BYTES_SENT, 0, 64);
  loop.Post(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  loop.RunUntil([&] { return events.size() == 3; }, Record());
  EXPECT_EQ(events[0].msg, WM_HID_BYTES_SENT);
  EXPECT_EQ(events[1].msg, WM_DEVICECHANGE);
  EXPECT_EQ(events[2].msg, WM_TIMER);
}

TEST_F(MessageLoopTest, RearmingRestartsThePeriodAndHandlersMayKillTimers) {
  loop.SetTimer(kTimerIdentify, 2000);
  clock->Advance(1500ms);
  loop.SetTimer(kTimerIdentify, 2000);
  loop.RunUntil([&] { return !loop.IsTimerArmed(kTimerIdentify); },
                [&](uint32_t msg, WPARAM w, LPARAM l) {
                  Record()(msg, w, l);
                  loop.KillTimer(kTimerIdentify);  // a one-shot, as identification uses it
                });
  EXPECT_EQ(events, (std::vector<Event>{{WM_TIMER, kTimerIdentify, 3500}}));
}

TEST_F(MessageLoopTest, StopsAtTheLimitWhenNothingIsDone) {
  loop.SetTimer(kTimerProgress, 100);
  const bool done = loop.RunUntil([] { return false; }, Record(), start + 350ms);
  EXPECT_FALSE(done);
  EXPECT_EQ(events.size(), 3u);
}

TEST(MessageLoop, PostFromAnotherThreadWakesTheLoop) {
  CMessageLoop loop;  // the real clock: waits until the post arrives
  std::vector<uint32_t> seen;
  std::thread poster([&] {
    std::this_thread::sleep_for(20ms);
    loop.Post(WM_REFRESH_CONNECTION, 0, 0);
  });
  loop.RunUntil([&] { return !seen.empty(); }, [&](uint32_t m, WPARAM, LPARAM) { seen.push_back(m); });
  poster.join();
  EXPECT_EQ(seen, (std::vector<uint32_t>{WM_REFRESH_CONNECTION}));
}

}  // namespace
}  // namespace brindle
