// Transfer progress: which acknowledged bytes count, and the two forms of the
// progress text.
#include "update/transfer_layout.h"
#include "window_fixture.h"

namespace brindle {
namespace {

class ProgressTest : public test::WindowTest {
 protected:
  void SetUp() override { Start(DefaultSimProfile(), CBuildConfig::Default(), false); }
  void BeginTransfer(uint32_t total, const std::string& label) {
    window->ArrangeProgress(0, total, 0);
    window->SetControlText(kIdProgress, label);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) window->HandleMessage(WM_TIMER, kTimerProgress, 0);
  }
  std::string BarText() { return window->texts[kIdProgress]; }
};

TEST_F(ProgressTest, OnlyTransferStagesCountSentBytes) {
  EXPECT_EQ(window->CurrentTransferStage(), kStageFinished);
  EXPECT_EQ(window->Hid().SentTag(), 0u) << "nothing counts before a transfer";
  struct Case {
    uint8_t stage;
    bool counts;
  };
  const Case cases[] = {{kStageSectionA, true},
                        {kStageBrandHeader, false},
                        {kStageBrandData, true},
                        {kStageSectionC, true},
                        {kStageSectionD, true},
                        {kStageSectionE, true},
                        {0, false},
                        {3, false},
                        {8, false},
                        {kStageFinished, false}};
  // The message carries the stage it was sent in; the current one does not
  // matter, as the worker may have moved on since.
  for (const Case& c : cases) {
    for (const uint8_t current : {kStageBrandData, kStageBrandHeader, kStageFinished}) {
      window->SetTransferStage(current);
      window->ArrangeBytesDone(100);
      EXPECT_EQ(window->HandleMessage(WM_HID_BYTES_SENT, c.stage, 64), 0);
      EXPECT_EQ(window->BytesDone(), c.counts ? 164u : 100u) << int(c.stage) << " " << int(current);
    }
  }
  // The stage is taken into the messages as the reports go out.
  window->SetTransferStage(kStageSectionE);
  EXPECT_EQ(window->CurrentTransferStage(), kStageSectionE);
  EXPECT_EQ(window->Hid().SentTag(), WPARAM{kStageSectionE});
  // Received bytes never count.
  window->SetTransferStage(kStageBrandData);
  window->ArrangeBytesDone(100);
  window->HandleMessage(WM_HID_BYTES_RECEIVED, 0, 64);
  EXPECT_EQ(window->BytesDone(), 100u);
}

TEST_F(ProgressTest, TextShowsLabelAndSecondsUntilTheFirstByteThenThePercentage) {
  BeginTransfer(1000, "updating");
  Ticks(5);
  EXPECT_EQ(BarText(), "updatingTime 0S   ");
  Ticks(1);
  EXPECT_EQ(BarText(), "updatingTime 1S   ");
  EXPECT_EQ(window->ProgressTicks(), 6u);

  window->ArrangeBytesDone(250);
  Ticks(1);
  EXPECT_EQ(BarText(), "Updated 25.00%   Time 1 Second");
  EXPECT_EQ(window->progressPos, 250u);

  // The label was taken when the transfer began, not from the last text.
  window->ArrangeBytesDone(0);
  Ticks(6);
  EXPECT_EQ(BarText(), "updatingTime 2S   ");

  // The worker's final call shows the whole transfer.
  window->ArrangeBytesDone(1000);
  window->ShowTransferProgress();
  EXPECT_EQ(BarText(), "Updated 100.00%   Time 2 Second");
  EXPECT_EQ(window->progressPos, 1000u);
}

TEST_F(ProgressTest, ATransferThatStandsStillSaysItWaitsForTheDevice) {
  BeginTransfer(1000, "updating");
  window->ArrangeBytesDone(100);
  Ticks(1);
  EXPECT_EQ(BarText(), "Updated 10.00%   Time 0 Second");
  // Three seconds without a byte: the device is silent, or busy before its
  // answer. The clock alone would look like a frozen bar.
  Ticks(17);
  EXPECT_EQ(BarText(), "Updated 10.00%   Time 3 Second") << "not yet three seconds";
  Ticks(1);
  EXPECT_EQ(BarText(), "Updated 10.00%   Time 3 Second   Waiting for the device 3S");
  Ticks(12);
  EXPECT_EQ(BarText(), "Updated 10.00%   Time 5 Second   Waiting for the device 5S");
  // Bytes again: the wait is over and counts afresh.
  window->ArrangeBytesDone(200);
  Ticks(1);
  EXPECT_EQ(BarText(), "Updated 20.00%   Time 5 Second");
  // Also before the first byte.
  BeginTransfer(1000, "updating");
  Ticks(18);
  EXPECT_EQ(BarText(), "updatingTime 3S      Waiting for the device 3S");
}

TEST_F(ProgressTest, ProgressTickOnlyWhileATransferIsUnderWay) {
  struct Case {
    uint32_t total;
    uint32_t done;
    bool shows;
  };
  const Case cases[] = {{0, 0, false},     {0, 5, false},   {100, 100, false},
                        {100, 101, false}, {100, 99, true}, {100, 0, true}};
  for (const Case& c : cases) {
    BeginTransfer(c.total, "label");
    window->ArrangeBytesDone(c.done);
    Ticks(1);
    EXPECT_EQ(window->ProgressTicks(), c.shows ? 1u : 0u) << c.total << "/" << c.done;
    EXPECT_EQ(BarText() != "label", c.shows) << c.total << "/" << c.done;
  }
}

}  // namespace
}  // namespace brindle
