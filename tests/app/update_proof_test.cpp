// What an update proves and how a failure is explained: the cause line of
// every fault at every section, the read-back that decides below version
// 1008, the full read-back on request, a device that restarts after its
// closing command, and the verify-only run.
#include <algorithm>
#include <thread>

#include "update/read_back.h"
#include "update/update_causes.h"
#include "update_fixture.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::Input;
using test::kCompany;
using test::kSimModel;
using test::Pack;
using test::UpdateTest;

// Every section present, each a few blocks.
std::vector<uint8_t> FullFile() {
  return Pack(Input(kCompany, Bytes(600, 1), Bytes(500, 3), Bytes(400, 4), Bytes(200, 5),
                    {{kSimModel, Bytes(300, 2)}}));
}
// Reports each write of FullFile takes: its command, its data (64 bytes a
// report) and its status reply; in the order A, header, B, C, D, E.
constexpr uint64_t kWriteReports[] = {2 + 768 / 64, 2 + 4, 2 + 512 / 64, 2 + 512 / 64, 2 + 512 / 64, 2 + 4};
constexpr SectionName kOrder[] = {SectionName::kA, SectionName::kHeader, SectionName::kB,
                                  SectionName::kC, SectionName::kD,      SectionName::kE};

class UpdateProofTest : public UpdateTest {
 protected:
  std::vector<CSimDevice::LoggedCommand> After(uint8_t code) const {
    const auto log = UpdateCommands();
    auto it = std::find_if(log.begin(), log.end(), [&](const auto& c) { return c.fields.code == code; });
    return {it == log.end() ? it : it + 1, log.end()};
  }
  size_t Count(uint8_t code) const {
    const auto log = UpdateCommands();
    return static_cast<size_t>(
        std::count_if(log.begin(), log.end(), [&](const auto& c) { return c.fields.code == code; }));
  }
};

TEST_F(UpdateProofTest, AGoneOrSilentDeviceIsNamedWithTheSectionItWasIn) {
  const uint64_t identify = IdentifyReports();
  uint64_t before = 0;
  for (size_t i = 0; i < std::size(kOrder); before += kWriteReports[i], ++i) {
    for (const bool unplug : {true, false}) {
      SCOPED_TRACE(std::string(SectionNameText(kOrder[i])) + (unplug ? ", unplugged" : ", silent"));
      // One attempt everywhere: a failed link still fails below 1008.
      SimProfile p = CompanyDevice(1007);
      // The fault strikes after the write's command and two data reports.
      (unplug ? p.faults.unplugAfterReports : p.faults.silentAfterReports) =
          static_cast<int64_t>(identify + before + 3);
      Connect(p);
      UpdateWith(WriteFile(FullFile()));
      ASSERT_TRUE(RunWorker());
      EXPECT_EQ(LastBoxText(),
                OutcomeWithCause(kTextUpdateFailed, unplug ? CauseDisconnected(kOrder[i])
                                                           : CauseSilent(kOrder[i], kReadTimeoutMs)));
      EXPECT_EQ(LastBox()->flags, MB_ICONERROR);
      EXPECT_EQ(window->texts[kIdProgress], "") << "the bar is cleared";
      EXPECT_EQ(window->progressPos, 0u);
    }
  }
}

TEST_F(UpdateProofTest, RefusedAndMisstoredWritesAreNamedWithTheirSection) {
  struct Case {
    const char* name;
    uint32_t version;
    int64_t failWrites, badStore, lyingStatus;
    std::vector<uint8_t> file;  // the section in question is its first write
    std::string cause;          // "" success
  };
  const auto a = Input(kCompany, Bytes(600, 1));
  const auto brand = Input(kCompany, {}, {}, {}, {}, {{kSimModel, Bytes(300, 2)}});
  const auto c = Input(kCompany, {}, Bytes(500, 3), Bytes(400, 4));
  const auto d = Input(kCompany, {}, {}, Bytes(400, 4), Bytes(200, 5));
  const auto e = Input(kCompany, {}, {}, {}, Bytes(200, 5));
  const Case cases[] = {
      {"1008, A refused", 1008, 10, 0, 0, Pack(a), CauseRefused(SectionName::kA, 10)},
      {"1008, header refused", 1008, 10, 0, 0, Pack(brand), CauseRefused(SectionName::kHeader, 10)},
      {"1008, C refused", 1008, 1, 0, 0, Pack(c), CauseRefused(SectionName::kC, 1)},
      {"1008, D refused", 1008, 1, 0, 0, Pack(d), CauseRefused(SectionName::kD, 1)},
      {"1008, E refused", 1008, 1, 0, 0, Pack(e), CauseRefused(SectionName::kE, 1)},
      // Below 1008 the memory decides: a byte kept wrong fails the run.
      {"1007, A kept wrong", 1007, 0, 1, 0, Pack(a), CauseMemoryDiffers(SectionName::kA, 0x00)},
      {"1007, header kept wrong", 1007, 0, 1, 0, Pack(brand), CauseMemoryDiffers(SectionName::kHeader, 0x80)},
      {"1007, header and B kept wrong: the first is named", 1007, 0, 2, 0, Pack(brand),
       CauseMemoryDiffers(SectionName::kHeader, 0x80)},
      {"1007, C kept wrong", 1007, 0, 1, 0, Pack(c), CauseMemoryDiffers(SectionName::kC, 0x160)},
      {"1007, D kept wrong", 1007, 0, 1, 0, Pack(d), CauseMemoryDiffers(SectionName::kD, 0xDE0)},
      {"1007, E kept wrong", 1007, 0, 1, 0, Pack(e), CauseMemoryDiffers(SectionName::kE, 0x2DE0)},
      // Old firmware that reports failure for writes that worked.
      {"1007, every answer a lie", 1007, 0, 0, 1000, FullFile(), ""},
      // From 1008 a failure answer is believed and the write is sent again.
      {"1008, three answers a lie", 1008, 0, 0, 3, Pack(a), ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    SimProfile p = CompanyDevice(k.version);
    p.faults.failWrites = k.failWrites;
    p.faults.badStore = k.badStore;
    p.faults.lyingStatus = k.lyingStatus;
    Connect(p);
    UpdateWith(WriteFile(k.file));
    ASSERT_TRUE(RunWorker());
    EXPECT_EQ(LastBoxText(), k.cause.empty() ? std::string(kTextUpdateSucceeded)
                                             : OutcomeWithCause(kTextUpdateFailed, k.cause));
    EXPECT_EQ(window->UpdateCause(), k.cause);
    for (const auto& cmd : After(k.version >= 1008 ? kCmdEndUpdate : kCmdEndSession))
      EXPECT_EQ(cmd.fields.code, kCmdReadBlock) << "after the closing command nothing but reads";
  }
  EXPECT_EQ(WritesTo(kDestinationA), 4u) << "three lies, then the fourth attempt";
}

TEST_F(UpdateProofTest, BelowVersion1008TheEndsOfEveryWriteAreReadBackAfterEndSession) {
  Connect(CompanyDevice(1007));
  UpdateWith(WriteFile(FullFile()));
  ASSERT_TRUE(RunWorker());
  EXPECT_EQ(LastBoxText(), kTextUpdateSucceeded);
  const auto reads = After(kCmdEndSession);
  // First and last block of each write, in the order they were sent.
  const uint32_t expected[] = {0x00, 0x02, 0x80, 0x90, 0x91, 0x160, 0x161, 0xDE0, 0xDE1, 0x2DE0};
  ASSERT_EQ(reads.size(), std::size(expected));
  for (size_t i = 0; i < reads.size(); ++i) {
    EXPECT_EQ(reads[i].fields.code, kCmdReadBlock);
    EXPECT_EQ(reads[i].fields.blockAddress, expected[i]) << i;
  }
  EXPECT_EQ(Count(kCmdWriteBlocks), 6u) << "never an extra write";
}

TEST_F(UpdateProofTest, VerifyAfterUpdateReadsEveryBlockBeforeTheClosingCommand) {
  struct Case {
    const char* name;
    uint32_t version;
    int64_t badStore;
    bool verify;
    std::string cause;
  };
  const Case cases[] = {
      {"1008, kept wrong, believed", 1008, 1, false, ""},
      {"1008, kept wrong, verified", 1008, 1, true, CauseMemoryDiffers(SectionName::kA, 0x00)},
      {"1008, verified", 1008, 0, true, ""},
      {"1007, verified", 1007, 0, true, ""},
  };
  const uint64_t blocks = 3 + 1 + 2 + 2 + 2 + 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimProfile p = CompanyDevice(c.version);
    p.faults.badStore = c.badStore;
    Connect(p);
    window->SetVerifyAfterUpdate(c.verify);
    UpdateWith(WriteFile(FullFile()));
    ASSERT_TRUE(RunWorker());
    EXPECT_EQ(LastBoxText(), c.cause.empty() ? std::string(kTextUpdateSucceeded)
                                             : OutcomeWithCause(kTextUpdateFailed, c.cause));
    const auto log = UpdateCommands();
    const size_t reads = Count(kCmdReadBlock);
    if (!c.verify) {
      EXPECT_EQ(reads, 0u) << "an acknowledged write is believed from 1008";
    } else if (c.cause.empty()) {
      EXPECT_EQ(reads, blocks);
      EXPECT_EQ(window->texts[kIdProgress].rfind("Verified 100.00%", 0), 0u) << window->texts[kIdProgress];
    } else {
      EXPECT_EQ(reads, 1u) << "the reading stops at the first difference";
    }
    if (c.version >= 1008 && c.verify) {
      // Read while the device still holds the update open; a difference
      // ends the run without the closing command.
      const size_t closings = Count(kCmdEndUpdate);
      EXPECT_EQ(closings, c.cause.empty() ? 1u : 0u);
      if (closings) {
        EXPECT_EQ(log.back().fields.code, kCmdEndUpdate);
      }
    }
  }
}

TEST_F(UpdateProofTest, ADeviceThatRestartsAfterEndSessionIsReadWhenItIsBack) {
  const uint64_t identify = IdentifyReports();
  uint64_t update = 0;
  for (uint64_t n : kWriteReports) update += n;
  for (const bool announced : {false, true}) {
    SCOPED_TRACE(announced ? "removal announced" : "removal not announced");
    SimProfile p = CompanyDevice(1007);
    // Gone right after the reply to EndSession (its command and reply are
    // the two reports after the update).
    p.faults.unplugAfterReports = static_cast<int64_t>(identify + update + 3);
    Connect(p);
    window->SetReadBackReturnMs(5000);
    if (announced) {
      test::CFakeWindow* w = window.get();
      sim->SetPlugListener([w] { w->PostMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0); });
    }
    UpdateWith(WriteFile(FullFile()));
    // Back after half a second, as a device that restarted.
    std::thread replug([this] {
      const auto deadline = std::chrono::steady_clock::now() + 10s;
      while (sim->IsPlugged() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
      std::this_thread::sleep_for(500ms);
      sim->Plug();
    });
    const bool ended = RunWorker();
    replug.join();
    sim->SetPlugListener(nullptr);
    ASSERT_TRUE(ended);
    EXPECT_EQ(LastBoxText(), kTextUpdateSucceeded);
    EXPECT_TRUE(window->Hid().IsConnected());
    EXPECT_TRUE(window->Hid().IsTransportOpen()) << "the device found again stays open";
    EXPECT_EQ(Count(kCmdWriteBlocks), 6u) << "never an extra write";
    EXPECT_GE(Count(kCmdReadBlock), 10u);
  }
}

TEST_F(UpdateProofTest, AFileRewrittenWhileItIsSentNeverReachesTheDevice) {
  SimProfile p = CompanyDevice();
  p.faults.reportDelayMicros = 500;  // section A lasts long enough to rewrite the file meanwhile
  Connect(p);
  const auto a1 = Bytes(0x6000, 1), c1 = Bytes(0x2000, 2), a2 = Bytes(0x6000, 8), c2 = Bytes(0x2000, 9);
  const std::string path = WriteFile(Pack(Input(kCompany, a1, c1)));
  UpdateWith(path);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (window->BytesDone() == 0 && std::chrono::steady_clock::now() < deadline) {
    window->Pump();
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_GT(window->BytesDone(), 0u);
  ASSERT_EQ(window->CurrentTransferStage(), kStageSectionA);
  // Another file of the same layout written over it in place, while A is
  // on its way: C must still come from the file that was checked.
  WriteFile(Pack(Input(kCompany, a2, c2)));
  ASSERT_TRUE(RunWorker());
  EXPECT_EQ(LastBoxText(), kTextUpdateSucceeded);
  EXPECT_EQ(DeviceBytes(kParameterArea, kDestinationA.block, a1.size()), a1);
  EXPECT_EQ(DeviceBytes(kDataArea, kDestinationC.block, c1.size()), c1) << "one file, never two";
}

TEST_F(UpdateProofTest, VerifyOnlyComparesEveryBlockAndWritesNothing) {
  struct Case {
    const char* name;
    bool updateFirst;
    int64_t badStore;
    std::string outcome;
  };
  const Case cases[] = {
      {"after the update", true, 0, kTextVerifyOk},
      {"on a device that never had it", false, 0, "Verify failed: section A differs at block 0x0000"},
      {"after an update kept wrong", true, 1, "Verify failed: section A differs at block 0x0000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimProfile p = CompanyDevice();
    p.faults.badStore = c.badStore;
    Connect(p);
    const std::string path = WriteFile(FullFile());
    if (c.updateFirst) {
      UpdateWith(path);
      ASSERT_TRUE(RunWorker());
      ASSERT_EQ(LastBoxText(), kTextUpdateSucceeded);
    }
    identifyCommands = sim->CommandLog().size();
    window->SetControlText(kIdStatusText, path);
    ASSERT_TRUE(window->StartVerify());
    ASSERT_TRUE(RunWorker());
    EXPECT_EQ(LastBoxText(), c.outcome);
    EXPECT_EQ(LastBox()->flags, c.outcome == kTextVerifyOk ? MB_ICONINFORMATION : MB_ICONERROR);
    for (const auto& cmd : UpdateCommands()) EXPECT_EQ(cmd.fields.code, kCmdReadBlock);
    EXPECT_EQ(Count(kCmdReadBlock), c.outcome == kTextVerifyOk ? 11u : 1u);
  }
}

}  // namespace
}  // namespace brindle
