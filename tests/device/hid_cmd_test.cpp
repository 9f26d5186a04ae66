// The command protocol against a scripted backend: report bytes, reply
// validation, block transfers, progress messages and cancellation.
#include "device/hid_cmd.h"

#include <gtest/gtest.h>

#include "device/fake_backend.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using test::CFakeBackend;
using test::CPostRecorder;

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return out;
}

class HidCmdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend->interfaces = {{"/dev/hidraw0", kDeviceVendorId, kDeviceProductId}};
    hid.SetLockFolder(lockDir.Path());
    hid.SetReadTimeoutMs(50);
    hid.SetProgressWindow(&recorder);
    hid.Connect();
    ASSERT_EQ(hid.IsConnected(), true);
  }
  void QueueStatus(uint32_t status, uint32_t value = 0) { backend->QueueReply(BuildReply(status, value)); }

  test::CTempDir lockDir;
  std::shared_ptr<CFakeBackend> backend = std::make_shared<CFakeBackend>();
  CHidCmd hid{backend};
  CPostRecorder recorder;
};

TEST_F(HidCmdTest, CommandReportsMatchGoldenBytes) {
  struct Case {
    const char* name;
    std::function<void(CHidCmd&)> issue;
    const char* record;  // the 27 bytes after the report id
  };
  const Case cases[] = {
      {"ReadBlock",
       [](CHidCmd& h) {
         uint8_t b[256];
         h.ReadBlock(0, 0x110, b);
       },
       "F2 17 10010000 01000000 00000000 00 00000000 48494443 33020000"},
      {"QueryVersion", [](CHidCmd& h) { h.SendCommand(0xF7, 0x12345678, 0xABCDEF01, 0, 0, 0); },
       "F7 17 78563412 01EFCDAB 00000000 00 00000000 48494443 A2050000"},
      {"EndSession", [](CHidCmd& h) { h.EndSession(); },
       "F4 17 78563412 01EFCDAB 00000000 00 00000000 48494443 9F050000"},
      {"EndUpdate", [](CHidCmd& h) { h.EndUpdate(); },
       "F9 17 00000000 00000000 00000000 00 00000000 48494443 28020000"},
      {"WriteBlocks", [](CHidCmd& h) { h.SendCommand(0xF3, 0x2DE0, 0x5220, 0x522000, 1, 0x01020304); },
       "F3 17 E02D0000 20520000 00205200 01 04030201 48494443 1E040000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    backend->writes.clear();
    c.issue(hid);
    ASSERT_FALSE(backend->writes.empty());
    const Report& r = backend->writes.front();
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(std::vector<uint8_t>(r.begin() + 1, r.begin() + 28), Hex(c.record));
    for (size_t i = 28; i < kReportLength; ++i) ASSERT_EQ(r[i], 0xCC) << "byte " << i;
  }
}

TEST_F(HidCmdTest, ReceiveStatusValidatesEveryReplyField) {
  struct Case {
    const char* name;
    std::function<void(CommandRecord&)> damage;
    size_t payload;
    int expected;
    bool handedBack;
  };
  const Case cases[] = {
      {"valid", [](CommandRecord&) {}, 64, 1, true},
      {"length byte", [](CommandRecord& r) { r[1] = 22; }, 64, 0, false},
      {"magic", [](CommandRecord& r) { r[19] = 'X'; }, 64, 0, false},
      {"checksum", [](CommandRecord& r) { r[23] ^= 1; }, 64, 0, false},
      {"short report", [](CommandRecord&) {}, 20, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRecord rec = BuildReply(0, 1234);
    c.damage(rec);
    backend->QueueReply(rec, c.payload);
    CommandRecord reply;
    reply.fill(0xEE);
    EXPECT_EQ(hid.ReceiveStatus(&reply), c.expected);
    if (c.handedBack) {
      EXPECT_EQ(ReplyValue(reply), 1234u);
    } else {
      EXPECT_EQ(reply, CommandRecord{});
    }
  }
}

TEST_F(HidCmdTest, FailedStatusStillHandsBackTheRecord) {
  QueueStatus(7, 99);
  CommandRecord reply{};
  EXPECT_EQ(hid.ReceiveStatus(&reply), 0);
  EXPECT_EQ(ReplyStatus(reply), 7u);
  EXPECT_EQ(ReplyValue(reply), 99u);
}

TEST_F(HidCmdTest, ReceiveStatusFailsWhenNothingArrives) {
  EXPECT_EQ(hid.ReceiveStatus(), 0);
  backend->reads.push_back({-1, {}});
  EXPECT_EQ(hid.ReceiveStatus(), 0);
}

TEST_F(HidCmdTest, ReadBlockReturnsTheBlockAndPostsEachReport) {
  std::vector<uint8_t> block(256);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
  backend->QueueData(block);
  QueueStatus(0);
  uint8_t out[256] = {};
  EXPECT_EQ(hid.ReadBlock(1, 0x2DE0, out), 256);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 256), block);
  ASSERT_EQ(recorder.posted.size(), 4u);
  for (const auto& p : recorder.posted) {
    EXPECT_EQ(p.msg, WM_HID_BYTES_RECEIVED);
    EXPECT_EQ(p.wParam, 0u);
    EXPECT_EQ(p.lParam, 64);
  }
}

TEST_F(HidCmdTest, ReadBlockFailures) {
  uint8_t out[256];
  // Short read: the bytes received so far.
  backend->QueueData(std::vector<uint8_t>(128, 1));
  EXPECT_EQ(hid.ReadBlock(0, 0x70, out), 128);
  // Failed status after all data.
  backend->QueueData(std::vector<uint8_t>(256, 1));
  QueueStatus(3);
  EXPECT_EQ(hid.ReadBlock(0, 0x70, out), kResultBadReply);
  // Command not written.
  backend->writesBeforeFailure = 0;
  EXPECT_EQ(hid.ReadBlock(0, 0x70, out), kResultNotSent);
}

TEST_F(HidCmdTest, ReadBlockCancelReturnsZeroAndLeavesTheReplyUnread) {
  backend->QueueData(std::vector<uint8_t>(256, 1));
  QueueStatus(0);
  recorder.onPost = [&] { hid.RequestCancel(); };
  uint8_t out[256];
  EXPECT_EQ(hid.ReadBlock(0, 0x70, out), 0);
  EXPECT_EQ(recorder.posted.size(), 1u);
  EXPECT_EQ(backend->reads.size(), 4u);  // three data reports and the reply
}

TEST_F(HidCmdTest, SendBlocksSendsDataReportsAndReadsOneReply) {
  std::vector<uint8_t> data(512);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
  QueueStatus(0);
  EXPECT_EQ(hid.SendBlocks(2, data.data()), 512);
  ASSERT_EQ(backend->writes.size(), 8u);
  for (size_t r = 0; r < 8; ++r) {
    EXPECT_EQ(backend->writes[r][0], 0);
    EXPECT_TRUE(
        std::equal(data.begin() + r * 64, data.begin() + r * 64 + 64, backend->writes[r].begin() + 1));
  }
  ASSERT_EQ(recorder.posted.size(), 8u);
  for (const auto& p : recorder.posted) {
    EXPECT_EQ(p.msg, WM_HID_BYTES_SENT);
    EXPECT_EQ(p.lParam, 64);
  }
  EXPECT_TRUE(backend->reads.empty());
}

TEST_F(HidCmdTest, SendBlocksFailures) {
  std::vector<uint8_t> data(512, 0x5A);
  backend->writesBeforeFailure = 3;
  EXPECT_EQ(hid.SendBlocks(2, data.data()), 3 * 64);
  backend->writesBeforeFailure = -1;
  QueueStatus(1);
  EXPECT_EQ(hid.SendBlocks(2, data.data()), kResultBadReply);
  EXPECT_EQ(hid.SendBlocks(2, data.data()), kResultBadReply);  // no reply at all
}

TEST_F(HidCmdTest, SendBlocksCancelStopsAfterTheCurrentReport) {
  std::vector<uint8_t> data(1024, 1);
  QueueStatus(0);
  int posts = 0;
  recorder.onPost = [&] {
    if (++posts == 2) hid.RequestCancel();
  };
  EXPECT_EQ(hid.SendBlocks(4, data.data()), 0);
  EXPECT_EQ(backend->writes.size(), 2u);
  EXPECT_EQ(backend->reads.size(), 1u);  // the status reply stays unread
  // The next transfer clears the flag and goes through.
  recorder.onPost = nullptr;
  EXPECT_EQ(hid.SendBlocks(4, data.data()), 1024);
}

TEST_F(HidCmdTest, SessionCommandsMapTheirReplies) {
  QueueStatus(0);
  EXPECT_EQ(hid.EndSession(), 1);
  QueueStatus(5);
  EXPECT_EQ(hid.EndSession(), kResultBadReply);
  QueueStatus(0);
  EXPECT_EQ(hid.EndUpdate(), 0);
  EXPECT_EQ(hid.EndUpdate(), kResultBadReply);
  backend->writesBeforeFailure = 0;
  EXPECT_EQ(hid.EndSession(), kResultNotSent);
  EXPECT_EQ(hid.EndUpdate(), kResultNotSent);
}

TEST_F(HidCmdTest, IsDevicePresentProbesOnlyWhenConnected) {
  EXPECT_EQ(hid.IsDevicePresent(), 1);
  backend->present = false;
  EXPECT_EQ(hid.IsDevicePresent(), 0);
  const int probes = backend->probeCalls;
  hid.Disconnect();
  EXPECT_EQ(hid.IsConnected(), false);
  backend->present = true;
  EXPECT_EQ(hid.IsDevicePresent(), 0);
  EXPECT_EQ(backend->probeCalls, probes);
  // Disconnected: every command fails as not sent.
  EXPECT_EQ(hid.EndSession(), kResultNotSent);
}

}  // namespace
}  // namespace brindle
