#include "core/posted_message_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace brindle {
namespace {

using namespace std::chrono_literals;

TEST(PostedMessageQueueTest, MessagesComeOutInTheOrderTheyWerePosted) {
  CPostedMessageQueue queue;
  const std::vector<PostedMessage> sent = {{1, 10, -1}, {2, 20, -2}, {1, 30, -3}};
  for (const PostedMessage& m : sent) queue.PostMessage(m.msg, m.wParam, m.lParam);
  EXPECT_EQ(queue.Size(), sent.size());
  std::vector<PostedMessage> taken;
  while (const auto m = queue.TryTake()) taken.push_back(*m);
  EXPECT_EQ(taken, sent);
  EXPECT_EQ(queue.Size(), 0u);
}

TEST(PostedMessageQueueTest, TakeWaitsBoundedlyWhenNothingComes) {
  CPostedMessageQueue queue;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(queue.Take(50ms));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(PostedMessageQueueTest, AMessageFromAnotherThreadWakesTheTaker) {
  CPostedMessageQueue queue;
  std::thread poster([&] {
    std::this_thread::sleep_for(20ms);
    queue.PostMessage(7, 1, 2);
  });
  const auto m = queue.Take(20s);
  poster.join();
  ASSERT_TRUE(m);
  EXPECT_EQ(*m, (PostedMessage{7, 1, 2}));
}

TEST(PostedMessageQueueTest, AQueuedMessageIsSeenBeforeAnyWait) {
  CPostedMessageQueue queue;
  bool waited = false;
  const auto wait = [&](std::condition_variable&, std::unique_lock<std::mutex>&) { waited = true; };
  EXPECT_FALSE(queue.WaitForMessage(wait));
  EXPECT_TRUE(waited) << "an empty queue waits";
  waited = false;
  queue.PostMessage(1, 0, 0);
  EXPECT_TRUE(queue.WaitForMessage(wait));
  EXPECT_FALSE(waited) << "a message already there is never waited for";
}

}  // namespace
}  // namespace brindle
