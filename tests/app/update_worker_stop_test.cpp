// Update runs that end early: the device goes away or falls silent, it is
// removed while the worker owns it, the window closes during a transfer;
// and the Update button's own checks before a run.
#include "app/update_worker.h"
#include "update/update_causes.h"
#include "update_fixture.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::CFakeWindow;
using test::Input;
using test::kCompany;
using test::Pack;
using test::UpdateTest;
using Clock = std::chrono::steady_clock;

class UpdateStopTest : public UpdateTest {
 protected:
  // Serves the window until the transfer has moved its first bytes.
  bool PumpUntilTransferring() {
    const auto deadline = Clock::now() + 10s;
    while (window->BytesDone() == 0 && Clock::now() < deadline) {
      window->Pump();
      std::this_thread::sleep_for(1ms);
    }
    return window->BytesDone() > 0;
  }
};

TEST_F(UpdateStopTest, DeviceGoneOrSilentMidSectionFailsWithinTheReadBound) {
  struct Case {
    const char* name;
    bool unplug;   // else silent
    bool retried;  // section A (ten attempts), else C (one)
    uint32_t version;
  };
  // Below version 1008 the device's answers are ignored, but a device that
  // is gone or silent has not taken the data: that fails on every version.
  const Case cases[] = {
      {"unplugged in A", true, true, 1008},       {"unplugged in C", true, false, 1008},
      {"silent in A", false, true, 1008},         {"silent in C", false, false, 1008},
      {"1007, unplugged in A", true, true, 1007}, {"1007, unplugged in C", true, false, 1007},
      {"1007, silent in A", false, true, 1007},   {"1007, silent in C", false, false, 1007},
  };
  const uint64_t identify = IdentifyReports();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimProfile p = CompanyDevice(c.version);
    // Forty reports into the section's data.
    (c.unplug ? p.faults.unplugAfterReports : p.faults.silentAfterReports) =
        static_cast<int64_t>(identify) + 40;
    Connect(p);
    const auto section = Bytes(0x4000, 1);
    UpdateWith(WriteFile(Pack(c.retried ? Input(kCompany, section) : Input(kCompany, {}, section))));
    const auto start = Clock::now();
    ASSERT_TRUE(RunWorker(20s));
    const auto elapsed = Clock::now() - start;
    const SectionName name = c.retried ? SectionName::kA : SectionName::kC;
    EXPECT_EQ(LastBoxText(),
              OutcomeWithCause(kTextUpdateFailed,
                               c.unplug ? CauseDisconnected(name) : CauseSilent(name, kReadTimeoutMs)));
    EXPECT_EQ(LastBox()->flags, MB_ICONERROR);
    // Ten attempts that each wait out the read bound at most.
    EXPECT_LT(elapsed, (kRetriedAttempts + 1) * std::chrono::milliseconds(kReadTimeoutMs) + 2s);
    EXPECT_TRUE(window->IsEnabled(kIdUpdateButton));
  }
}

TEST_F(UpdateStopTest, LinkLostBeforeTheExchangeIsClosedFailsTheRunOnEveryVersion) {
  // Section A of 0x4000 bytes: its command, 256 data reports and the status
  // reply, then the closing command and its reply.
  constexpr uint64_t kCommand = 1, kReply = 258, kClosing = 259, kClosingReply = 260;
  struct Case {
    const char* name;
    bool unplug;        // else silent
    uint64_t after;     // reports of the update after which the fault strikes
    const char* cause;  // "" success
  };
  const std::string inA = CauseDisconnected(SectionName::kA);
  const char* const closedGone = "The device was disconnected before the update was closed.";
  const Case cases[] = {
      {"gone at the write command", true, kCommand, inA.c_str()},
      {"gone in the data", true, 40, inA.c_str()},
      {"gone at the status reply", true, kReply, inA.c_str()},
      {"gone at the closing command", true, kClosing, closedGone},
      {"gone at the closing reply", true, kClosingReply, closedGone},
      {"silent before the closing reply", false, kClosing,
       "The device stopped answering when the update was closed."},
      {"gone once the exchange was closed", true, kClosingReply + 1, ""},
  };
  const uint64_t identify = IdentifyReports();
  for (const uint32_t version : {1007u, 1008u}) {
    // A removal may reach the window before the worker looks, after it, or
    // never (the console hears of none): the outcome is the same.
    for (const bool announced : {false, true}) {
      for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (announced ? ", announced" : ", not announced") + ", version " +
                     std::to_string(version));
        SimProfile p = CompanyDevice(version);
        (c.unplug ? p.faults.unplugAfterReports : p.faults.silentAfterReports) =
            static_cast<int64_t>(identify + c.after);
        Connect(p);
        if (announced) {
          CFakeWindow* w = window.get();
          sim->SetPlugListener([w] { w->PostMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0); });
        }
        UpdateWith(WriteFile(Pack(Input(kCompany, Bytes(0x4000, 1)))));
        ASSERT_TRUE(RunWorker(20s));
        sim->SetPlugListener(nullptr);
        std::string cause = c.cause;
        // Below 1008 nothing counts before it was read back, and the device
        // gone at its closing command did not come back within the bound.
        if (cause.empty() && version == 1007)
          cause =
              "The update could not be checked: the device could not be read back after it (it was not "
              "there).";
        EXPECT_EQ(LastBoxText(), cause.empty() ? std::string(kTextUpdateSucceeded)
                                               : OutcomeWithCause(kTextUpdateFailed, cause));
        if (!cause.empty()) {
          EXPECT_TRUE(window->IsEnabled(kIdUpdateButton));
        }
      }
    }
  }
}

TEST_F(UpdateStopTest, ProgressTextNamesTheAttemptWhileASectionIsRetried) {
  struct Case {
    const char* name;
    bool retried;  // section A, else C
    bool silent;   // else the first three writes are refused
    std::vector<std::string> shown;
    const char* outcome;
  };
  const Case cases[] = {
      {"silent device, A",
       true,
       true,
       {"Attempt 2 of 10", "Attempt 5 of 10", "Attempt 10 of 10"},
       kTextUpdateFailed},
      {"refusing device, A", true, false, {"Attempt 2 of 10", "Attempt 4 of 10"}, kTextUpdateSucceeded},
      {"silent device, C: one attempt", false, true, {}, kTextUpdateFailed},
  };
  const uint64_t identify = IdentifyReports();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimProfile p = CompanyDevice();
    if (c.silent)
      p.faults.silentAfterReports = static_cast<int64_t>(identify) + 10;
    else
      p.faults.failWrites = 3;
    p.faults.reportDelayMicros = 500;  // each attempt spans many turns of the loop below
    Connect(p);
    const auto section = Bytes(0x2000, 1);
    UpdateWith(WriteFile(Pack(c.retried ? Input(kCompany, section) : Input(kCompany, {}, section))));
    // Timer 1 as the window fires it, every tick's text kept.
    std::vector<std::string> texts;
    const auto deadline = Clock::now() + 20s;
    while (window->WorkerRunning() && Clock::now() < deadline) {
      window->Pump();
      window->FireTimer(kTimerProgress);
      const std::string text = window->texts[kIdProgress];
      if (texts.empty() || texts.back() != text) texts.push_back(text);
      std::this_thread::sleep_for(2ms);
    }
    ASSERT_TRUE(RunWorker());
    EXPECT_EQ(LastBoxOutcome(), c.outcome);
    std::string all;
    for (const auto& t : texts) all += t + " | ";
    for (const auto& want : c.shown) EXPECT_NE(all.find(want), std::string::npos) << want << " in " << all;
    if (c.shown.empty()) {
      EXPECT_EQ(all.find("Attempt"), std::string::npos) << all;
    }
    EXPECT_EQ(all.find("Attempt 1 "), std::string::npos) << "a first attempt is not named";
  }
}

TEST_F(UpdateStopTest, RemovalDuringAnUpdateLetsTheWorkerFailAndClosesAfterIt) {
  for (const bool replug : {false, true}) {
    SCOPED_TRACE(replug ? "plugged in again during the run" : "stays unplugged");
    SimProfile p = CompanyDevice();
    p.faults.reportDelayMicros = 300;  // a transfer long enough to be caught in the middle
    Connect(p);
    UpdateWith(WriteFile(Pack(Input(kCompany, {}, {}, Bytes(0x40000, 4)))));
    ASSERT_TRUE(PumpUntilTransferring());

    // Not pumped from here until the end: the worker cannot pass its next
    // window call, so it is still running for both events.
    sim->Unplug();
    window->HandleMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    ASSERT_TRUE(window->WorkerRunning());
    EXPECT_EQ(window->Hid().IsConnected(), false);
    EXPECT_EQ(window->Title(), test::Title(text::kNoHardware)) << "shown as gone at once";
    EXPECT_TRUE(window->Hid().IsTransportOpen()) << "the worker's handles stay until it has ended";
    if (replug) {
      sim->Plug();
      window->HandleMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
      EXPECT_EQ(window->Hid().IsConnected(), false) << "no new device while the worker runs";
    }

    ASSERT_TRUE(RunWorker());
    EXPECT_EQ(LastBoxText(), OutcomeWithCause(kTextUpdateFailed, CauseDisconnected(SectionName::kD)));
    EXPECT_TRUE(window->IsEnabled(kIdUpdateButton));
    if (replug) {
      EXPECT_EQ(window->Hid().IsConnected(), true) << "the device is opened once the worker ended";
      EXPECT_EQ(window->Title(), test::Title(text::kConnecting));
    } else {
      EXPECT_FALSE(window->Hid().IsTransportOpen());
      const size_t boxes = window->boxes.size();
      window->HandleMessage(WM_COMMAND, kIdUpdateButton, 0);
      ASSERT_EQ(window->boxes.size(), boxes + 1);
      EXPECT_EQ(LastBoxText(), text::kNoHardware);
      EXPECT_FALSE(window->WorkerRunning());
    }
  }
}

TEST_F(UpdateStopTest, ClosingDuringATransferEndsTheRunWithoutABox) {
  struct Case {
    const char* name;
    uint32_t version;
    bool retried;  // section A, else D
    bool silent;   // the device stops answering; the read bound is long
  };
  const Case cases[] = {
      {"1008, single attempt", 1008, false, false},
      {"1008, retried section", 1008, true, false},
      {"1007, outcome ignored", 1007, false, false},
      {"silent device, 20 s read bound", 1008, false, true},
  };
  const uint64_t identify = IdentifyReports();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimProfile p = CompanyDevice(c.version);
    p.faults.reportDelayMicros = 500;
    if (c.silent) p.faults.silentAfterReports = static_cast<int64_t>(identify) + 20;
    Connect(p);
    if (c.silent) window->Hid().SetReadTimeoutMs(kReportReadTimeoutMs);
    const auto section = Bytes(c.retried ? 0x7000 : 0x40000, 1);
    UpdateWith(WriteFile(Pack(c.retried ? Input(kCompany, section) : Input(kCompany, {}, {}, section))));
    ASSERT_TRUE(PumpUntilTransferring());
    if (c.silent) std::this_thread::sleep_for(200ms);  // into the wait for the reply

    const auto start = Clock::now();
    window->Shutdown();
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_FALSE(window->WorkerRunning());
    EXPECT_TRUE(window->boxes.empty()) << LastBoxText();
    EXPECT_EQ(window->UpdateOutcome(), kTextUpdateFailed);
    const auto log = UpdateCommands();
    EXPECT_LE(WritesTo(c.retried ? kDestinationA : kDestinationD), 1u) << "no retry after the stop";
    for (const auto& cmd : log) EXPECT_NE(cmd.fields.code, kCmdEndUpdate);
  }
}

TEST_F(UpdateStopTest, ClosingWhileTheWorkerWaitsForTheWindowDoesNotDeadlock) {
  Connect();
  UpdateWith(WriteFile(Pack(Input(kCompany, Bytes(600, 1)))));
  // Never pumped: the worker waits in its first window call.
  const auto deadline = Clock::now() + 5s;
  while (window->PendingCount() == 0 && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
  ASSERT_GT(window->PendingCount(), 0u);
  const auto start = Clock::now();
  window->Shutdown();
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_FALSE(window->WorkerRunning());
  EXPECT_TRUE(window->boxes.empty());
  EXPECT_TRUE(UpdateCommands().empty());
}

TEST_F(UpdateStopTest, UpdateButtonAsksOnlyWhenTheDeviceDataIsCurrent) {
  constexpr int32_t kDeviceDate = 20120301;  // the simulated device's data date
  struct Case {
    const char* name;
    int32_t internetVersion;
    int32_t deviceDataVersion;
    int answer;
    bool asks;
    bool starts;
  };
  const Case cases[] = {
      {"no online version", -1, kDeviceDate, IDOK, false, true},
      {"check under way", 0, kDeviceDate, IDOK, false, true},
      {"newer online", kDeviceDate + 1, kDeviceDate, IDOK, false, true},
      {"device date unread", kDeviceDate, 0, IDOK, false, true},
      {"equal, answered No", kDeviceDate, kDeviceDate, IDNO, true, false},
      {"device newer, answered Yes", kDeviceDate - 1, kDeviceDate, IDYES, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Connect();
    EXPECT_EQ(window->DeviceDataVersion(), kDeviceDate);
    window->ArrangeVersions(c.internetVersion, c.deviceDataVersion);
    window->boxAnswers = {c.answer};
    UpdateWith(WriteFile(Pack(Input(kCompany, Bytes(600, 1)))));
    ASSERT_TRUE(RunWorker());
    ASSERT_EQ(window->boxes.empty(), !c.asks && !c.starts);
    if (c.asks) {
      EXPECT_EQ(window->boxes[0].text, "Already the newest version,Updated or Not?");
      EXPECT_EQ(window->boxes[0].caption, text::kTitle);
      EXPECT_EQ(window->boxes[0].flags, MB_YESNO);
    }
    EXPECT_EQ(LastBoxText() == kTextUpdateSucceeded, c.starts);
    EXPECT_EQ(UpdateCommands().empty(), !c.starts);
  }
}

TEST_F(UpdateStopTest, UpdateWithoutDeviceRefusesAndStartsNothing) {
  Start(CompanyDevice(), CBuildConfig::Default(), /*plugged=*/false);
  UpdateWith(WriteFile(Pack(Input(kCompany, Bytes(600, 1)))));
  ASSERT_EQ(window->boxes.size(), 1u);
  EXPECT_EQ(LastBox()->text, text::kNoHardware);
  EXPECT_EQ(LastBox()->caption, "");
  EXPECT_EQ(LastBox()->flags, MB_ICONERROR);
  EXPECT_FALSE(window->WorkerRunning());
  EXPECT_FALSE(window->WorkerThreadHeld());
}

}  // namespace
}  // namespace brindle
