// The update worker against the simulated device: what lands in the device's
// memory, the retry and closing rules by device version, the outcome texts,
// and runs that end early (device gone or silent, window closed).
#include <algorithm>
#include <functional>
#include <mutex>

#include "core/byte_order.h"
#include "core/scrambled_byte_sum.h"
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
using test::ReadTrailer;
using test::UpdateTest;

size_t Padded(size_t n) { return (n + kBlockSize - 1) / kBlockSize * kBlockSize; }

TEST_F(UpdateTest, FullUpdatePutsEverySectionAtItsBlockPaddedWithFF) {
  const auto a = Bytes(0x1234, 1), b = Bytes(700, 2), other = Bytes(300, 9), c = Bytes(0x2001, 3),
             d = Bytes(0x10FF, 4), e = Bytes(0x3003, 5);
  Connect();
  // Zeros over every block first, so that the padding of the real update
  // shows in memory.
  const auto zeros = [](const std::vector<uint8_t>& v) { return std::vector<uint8_t>(Padded(v.size()), 0); };
  UpdateWith(WriteFile(Pack(Input(kCompany, zeros(a), zeros(c), zeros(d), zeros(e), {{kSimModel, zeros(b)}})),
                       "zeros.dwm"));
  ASSERT_TRUE(RunWorker());
  ASSERT_EQ(LastBoxText(), kTextUpdateSucceeded);
  identifyCommands = sim->CommandLog().size();

  UpdateWith(
      WriteFile(Pack(Input(kCompany, a, c, d, e, {{MakeTag('X', 'X', 'X', 'X'), other}, {kSimModel, b}}))));
  ASSERT_TRUE(RunWorker());

  ASSERT_NE(LastBox(), nullptr);
  EXPECT_EQ(LastBox()->text, kTextUpdateSucceeded);
  EXPECT_EQ(LastBox()->caption, text::kTitle);
  EXPECT_EQ(LastBox()->flags, MB_ICONINFORMATION);
  struct Expect {
    const char* name;
    const SectionDestination& dest;
    const std::vector<uint8_t>& data;
  };
  const Expect sections[] = {{"A", kDestinationA, a},
                             {"brand", kDestinationBrand, b},
                             {"C", kDestinationC, c},
                             {"D", kDestinationD, d},
                             {"E", kDestinationE, e}};
  for (const Expect& s : sections) {
    SCOPED_TRACE(s.name);
    const auto mem = DeviceBytes(s.dest.area, s.dest.block, Padded(s.data.size()));
    EXPECT_TRUE(std::equal(s.data.begin(), s.data.end(), mem.begin()));
    EXPECT_TRUE(std::all_of(mem.begin() + static_cast<std::ptrdiff_t>(s.data.size()), mem.end(),
                            [](uint8_t x) { return x == 0xFF; }));
    EXPECT_EQ(WritesTo(s.dest), 1u);
  }
  const auto header = DeviceBytes(kDataArea, kDestinationHeader.block, kBlockSize);
  EXPECT_EQ(LoadLE32(header.data() + transfer_header::kMagic), 0x12345678u);
  EXPECT_EQ(LoadLE32(header.data() + transfer_header::kPayloadLength), b.size());
  EXPECT_EQ(LoadLE32(header.data() + transfer_header::kPayloadChecksum),
            ScrambledByteSum(b.data(), b.size()));
  EXPECT_TRUE(std::all_of(header.begin() + transfer_header::kFiller, header.end(),
                          [](uint8_t x) { return x == 0xFF; }));

  const auto log = UpdateCommands();
  ASSERT_FALSE(log.empty());
  // Order of the writes, with their block counts and data lengths.
  std::vector<CommandFields> writes;
  for (const auto& cmd : log)
    if (cmd.fields.code == kCmdWriteBlocks) writes.push_back(cmd.fields);
  ASSERT_EQ(writes.size(), 6u);
  const uint32_t blocks[] = {0x00, 0x80, 0x90, 0x160, 0xDE0, 0x2DE0};
  const uint32_t lengths[] = {uint32_t(a.size()), 0, uint32_t(b.size()),
                              uint32_t(c.size()), 0, uint32_t(e.size())};
  for (size_t i = 0; i < writes.size(); ++i) {
    EXPECT_EQ(writes[i].blockAddress, blocks[i]) << i;
    EXPECT_EQ(writes[i].dataLength, lengths[i]) << i;
  }
  EXPECT_EQ(writes[3].blockCount, Padded(c.size()) / kBlockSize);
  for (const auto& cmd : log) EXPECT_EQ(cmd.status, 0u) << "every write accepted, checksums too";
  EXPECT_EQ(log.back().fields.code, kCmdEndUpdate);

  EXPECT_EQ(window->CurrentTransferStage(), kStageFinished);
  EXPECT_FALSE(window->IsEnabled(kIdUpdateButton)) << "stays off until the next identification";
  EXPECT_FALSE(window->IsEnabled(kIdSettingButton));
  EXPECT_EQ(window->BytesDone(), window->BytesTotal());
  EXPECT_EQ(window->BytesTotal(), a.size() + b.size() + c.size() + d.size() + e.size());
  EXPECT_EQ(window->texts[kIdProgress].rfind("Updated 100.00%", 0), 0u) << window->texts[kIdProgress];
}

TEST_F(UpdateTest, RetriesAndClosingCommandFollowTheDeviceVersion) {
  struct Case {
    const char* name;
    uint32_t version;
    int64_t failWrites;      // the first N writes of the update fail
    int64_t corruptReplies;  // 1 spoils the identification's version reply: -2
    int32_t forceVersion;    // non-zero: m_deviceVersion as a failed send leaves it
    bool a, brand, c, d, e;  // sections in the file
    const char* outcome;
    const char* cause;  // the second line of a failure
    size_t writesA, writesHeader, writesBrand, writesC, writesD, writesE;
    uint8_t closing;  // 0: none
  };
  const Case cases[] = {
      {"1008, A fails nine times", 1008, 9, 0, 0, true, false, false, false, false, kTextUpdateSucceeded, "",
       10, 0, 0, 0, 0, 0, kCmdEndUpdate},
      {"1008, A fails ten times, C never sent", 1008, 10, 0, 0, true, false, true, false, false,
       kTextUpdateFailed, "The device refused section A ten times.", 10, 0, 0, 0, 0, 0, 0},
      {"1008, header fails nine times", 1008, 9, 0, 0, false, true, false, false, false, kTextUpdateSucceeded,
       "", 0, 10, 1, 0, 0, 0, kCmdEndUpdate},
      {"1008, header fails ten times", 1008, 10, 0, 0, false, true, true, false, false, kTextUpdateFailed,
       "The device refused the header block of section B ten times.", 0, 10, 0, 0, 0, 0, 0},
      {"1008, C fails once", 1008, 1, 0, 0, false, false, true, true, false, kTextUpdateFailed,
       "The device refused section C.", 0, 0, 0, 1, 0, 0, 0},
      {"1008, D fails once", 1008, 1, 0, 0, false, false, false, true, true, kTextUpdateFailed,
       "The device refused section D.", 0, 0, 0, 0, 1, 0, 0},
      {"1008, E fails once", 1008, 1, 0, 0, false, false, false, false, true, kTextUpdateFailed,
       "The device refused section E.", 0, 0, 0, 0, 0, 1, 0},
      // Its answers are ignored, but what it kept is read back: nothing.
      {"1007, every write fails", 1007, 1000, 0, 0, true, true, true, true, true, kTextUpdateFailed,
       "The device's memory differs from the file in section A at block 0x0000.", 1, 1, 1, 1, 1, 1,
       kCmdEndSession},
      {"1007, the first writes fail", 1007, 3, 0, 0, true, true, true, true, true, kTextUpdateFailed,
       "The device's memory differs from the file in section A at block 0x0000.", 1, 1, 1, 1, 1, 1,
       kCmdEndSession},
      {"version reply bad (-2), C fails once", 1007, 1, 1, 0, false, false, true, false, false,
       kTextUpdateFailed, "The device refused section C.", 0, 0, 0, 1, 0, 0, 0},
      {"version reply bad (-2), A fails nine times", 1007, 9, 1, 0, true, false, false, false, false,
       kTextUpdateSucceeded, "", 10, 0, 0, 0, 0, 0, kCmdEndUpdate},
      {"version not sent (-1), E fails once", 1007, 1, 0, -1, false, false, false, false, true,
       kTextUpdateFailed, "The device refused section E.", 0, 0, 0, 0, 0, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimProfile p = CompanyDevice(c.version);
    p.faults.corruptReplies = c.corruptReplies;
    p.faults.failWrites = c.failWrites;  // identification writes nothing
    Connect(p);
    if (c.corruptReplies) {
      EXPECT_EQ(window->DeviceVersion(), kResultBadReply);
    }
    if (c.forceVersion) window->ArrangeDeviceVersion(c.forceVersion);
    std::vector<BrandSectionInput> brands;
    if (c.brand) brands.push_back({kSimModel, Bytes(300, 2)});
    UpdateWith(WriteFile(Pack(
        Input(kCompany, c.a ? Bytes(600, 1) : test::ByteVector{}, c.c ? Bytes(500, 3) : test::ByteVector{},
              c.d ? Bytes(400, 4) : test::ByteVector{}, c.e ? Bytes(200, 5) : test::ByteVector{}, brands))));
    ASSERT_TRUE(RunWorker());
    EXPECT_EQ(LastBoxText(), OutcomeWithCause(c.outcome, c.cause));
    EXPECT_EQ(window->UpdateOutcome(), c.outcome == std::string(kTextUpdateSucceeded) ? "" : c.outcome);
    EXPECT_EQ(window->UpdateCause(), c.cause);
    EXPECT_EQ(WritesTo(kDestinationA), c.writesA);
    EXPECT_EQ(WritesTo(kDestinationHeader), c.writesHeader);
    EXPECT_EQ(WritesTo(kDestinationBrand), c.writesBrand);
    EXPECT_EQ(WritesTo(kDestinationC), c.writesC);
    EXPECT_EQ(WritesTo(kDestinationD), c.writesD);
    EXPECT_EQ(WritesTo(kDestinationE), c.writesE);
    const auto log = UpdateCommands();
    const auto closing = std::find_if(log.begin(), log.end(), [](const auto& cmd) {
      return cmd.fields.code == kCmdEndUpdate || cmd.fields.code == kCmdEndSession;
    });
    if (c.closing == 0) {
      EXPECT_EQ(closing, log.end()) << "a failed run sends no closing command";
    } else {
      ASSERT_NE(closing, log.end());
      EXPECT_EQ(closing->fields.code, c.closing);
      // After the closing command only reads: the read-back below 1008,
      // nothing at all from 1008.
      for (auto it = closing + 1; it != log.end(); ++it) EXPECT_EQ(it->fields.code, kCmdReadBlock);
      EXPECT_EQ(closing + 1 == log.end(), c.closing == kCmdEndUpdate);
    }
    if (c.closing == kCmdEndSession) {
      // Below 1008 the device is identified again.
      EXPECT_TRUE(window->IsArmed(kTimerIdentify));
      EXPECT_EQ(window->Title(), test::Title(text::kConnecting));
    }
  }
}

TEST_F(UpdateTest, RefusedFilesEndWithTheirOutcomeAndSendNothing) {
  struct Case {
    const char* name;
    std::function<std::string(UpdateTest&)> path;  // the status text
    std::string outcome;
  };
  const auto packed = [](UpdatePackInput input, std::function<void(std::vector<uint8_t>&)> edit = {}) {
    return [input, edit](UpdateTest& t) {
      auto bytes = Pack(input);
      if (edit) edit(bytes);
      return t.WriteFile(bytes);
    };
  };
  const Case cases[] = {
      {"no path", [](UpdateTest&) { return std::string(); }, kTextOpenFailed},
      {"missing file, no archive URL", [](UpdateTest& t) { return t.files.Path() + "/missing.dwm"; },
       kTextOpenFailed},
      {"a folder", [](UpdateTest& t) { return t.files.Path(); }, kTextOpenFailed},
      {"trailer checksum off by one",
       packed(Input(kCompany, Bytes(600, 1)), [](auto& f) { f[f.size() - 1] ^= 1; }),
       std::string(kTextWrongFormat) + "-1"},
      {"another company", packed(Input("Other Company Co", Bytes(600, 1))),
       OutcomeWithCause(kTextVersionUnmatched,
                        "The file is from another maker: it names \"Other Company Co\", "
                        "this program takes files of \"" +
                            std::string(kCompany) + "\".")},
      {"all sections empty", packed(Input(kCompany)), kTextNoDatabase},
      {"only brand sections for other models",
       packed(Input(
           kCompany, {}, {}, {}, {},
           {{MakeTag('Z', 'Z', 'Z', 'Z'), Bytes(300, 2)}, {MakeTag('Y', 'Y', 'Y', 'Y'), Bytes(200, 3)}})),
       kTextNoDatabase},
      // Block 0x90 plus 0xD001 bytes reaches into section C's region.
      {"brand section one byte over its region",
       packed(Input(kCompany, Bytes(600, 1), Bytes(300, 4), {}, {}, {{kSimModel, Bytes(0xD000, 2)}}),
              [](auto& f) {
                const UpdateTrailer t = ReadTrailer(f);
                StoreLE32(f.data() + t.brandTableOffset + brand_table::kEntries + brand_table::kSize, 0xD001);
              }),
       std::string(kTextWrongFormat) + "-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Connect();
    UpdateWith(c.path(*this));
    ASSERT_TRUE(RunWorker());
    ASSERT_NE(LastBox(), nullptr);
    EXPECT_EQ(LastBox()->text, c.outcome);
    EXPECT_EQ(LastBox()->caption, "");
    EXPECT_EQ(LastBox()->flags, MB_ICONERROR);
    EXPECT_TRUE(UpdateCommands().empty()) << "nothing was sent";
    EXPECT_TRUE(window->IsEnabled(kIdUpdateButton));
    EXPECT_TRUE(window->IsEnabled(kIdSettingButton));
    EXPECT_EQ(window->texts[kIdProgress], "");
    EXPECT_EQ(window->BytesTotal(), 0u);
    EXPECT_EQ(window->CurrentTransferStage(), kStageFinished);
  }
}

// Records the transfer stage at the moment each report's progress message
// is posted, and passes the message on to the window.
class CStageRecorder final : public IMessageTarget {
 public:
  explicit CStageRecorder(CBrindleWindow& window) : m_window(window) {}
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_HID_BYTES_SENT) {
      std::lock_guard lock(m_mutex);
      const uint8_t stage = m_window.CurrentTransferStage();
      if (stages.empty() || stages.back().first != stage) stages.push_back({stage, 0});
      stages.back().second += static_cast<uint32_t>(lParam);
    }
    m_window.PostMessage(msg, wParam, lParam);
  }
  std::vector<std::pair<uint8_t, uint32_t>> Stages() {
    std::lock_guard lock(m_mutex);
    return stages;
  }

 private:
  CBrindleWindow& m_window;
  std::mutex m_mutex;
  std::vector<std::pair<uint8_t, uint32_t>> stages;  // stage, bytes sent in it
};

TEST_F(UpdateTest, StagesMarkEachStepAsItsReportsGoOut) {
  Connect();
  CStageRecorder recorder(*window);
  window->Hid().SetProgressWindow(&recorder);
  const auto a = Bytes(600, 1), b = Bytes(300, 2), c = Bytes(500, 3), d = Bytes(400, 4), e = Bytes(200, 5);
  UpdateWith(WriteFile(Pack(Input(kCompany, a, c, d, e, {{kSimModel, b}}))));
  ASSERT_TRUE(RunWorker());
  ASSERT_EQ(LastBoxText(), kTextUpdateSucceeded);
  const std::vector<std::pair<uint8_t, uint32_t>> expected = {
      {kStageSectionA, Padded(a.size())},  {kStageBrandHeader, kBlockSize},
      {kStageBrandData, Padded(b.size())}, {kStageSectionC, Padded(c.size())},
      {kStageSectionD, Padded(d.size())},  {kStageSectionE, Padded(e.size())}};
  EXPECT_EQ(recorder.Stages(), expected);
  window->Hid().SetProgressWindow(window.get());
}

// Keeps the progress messages of the reports instead of passing them on, so
// that the test can hand them to the window later, as a busy window does.
class CHeldMessages final : public IMessageTarget {
 public:
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override {
    std::lock_guard lock(m_mutex);
    if (msg == WM_HID_BYTES_SENT) held.push_back({msg, wParam, lParam});
  }
  std::vector<test::CFakeWindow::Posted> Held() {
    std::lock_guard lock(m_mutex);
    return held;
  }

 private:
  std::mutex m_mutex;
  std::vector<test::CFakeWindow::Posted> held;
};

TEST_F(UpdateTest, SentBytesCountByTheStageTheyWereSentInNotTheOneAtHandling) {
  Connect();
  CHeldMessages held;
  window->Hid().SetProgressWindow(&held);
  const auto a = Bytes(600, 1), b = Bytes(300, 2), e = Bytes(200, 5);
  UpdateWith(WriteFile(Pack(Input(kCompany, a, {}, {}, e, {{kSimModel, b}}))));
  ASSERT_TRUE(RunWorker());
  ASSERT_EQ(LastBoxText(), kTextUpdateSucceeded);
  window->Hid().SetProgressWindow(window.get());
  // Handled long after they were sent, whatever stage is current then: the
  // header block never counts, the sections always do.
  for (const uint8_t stageAtHandling : {uint8_t{kStageFinished}, uint8_t{kStageBrandData}}) {
    SCOPED_TRACE(int(stageAtHandling));
    window->SetTransferStage(stageAtHandling);
    window->ArrangeBytesDone(0);
    for (const auto& m : held.Held()) window->HandleMessage(m.msg, m.wParam, m.lParam);
    EXPECT_EQ(window->BytesDone(), Padded(a.size()) + Padded(b.size()) + Padded(e.size()));
  }
}

}  // namespace
}  // namespace brindle
