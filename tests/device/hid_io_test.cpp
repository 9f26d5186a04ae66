// Finding, locking and opening the device; bounded report reads.
#include "device/hid_io.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/fake_backend.h"
#include "sim/sim_backend.h"
#include "temp_dir.h"

namespace brindle {
namespace {

using test::CFakeBackend;
using test::FakeRead;
using test::WindowsPath;

class HidIoTest : public ::testing::Test {
 protected:
  std::unique_ptr<CHidIO> MakeIo(std::shared_ptr<IHidBackend> b) {
    auto io = std::make_unique<CHidIO>(std::move(b));
    io->SetLockFolder(lockDir.Path());
    return io;
  }
  test::CTempDir lockDir;
  std::shared_ptr<CFakeBackend> backend = std::make_shared<CFakeBackend>();
};

TEST_F(HidIoTest, WindowsPathsMatchByTextWhateverItsCase) {
  backend->pathsCarryIds = true;
  struct Case {
    const char* name;
    std::string path;
    bool ours;
  };
  const Case cases[] = {
      {"lower case, as SetupDi gives it", WindowsPath("vid_0416&pid_b500", "7&1&0&0000"), true},
      {"upper case, as the configuration manager gives it", "\\\\?\\HID#VID_0416&PID_B500#7&2&0&0000#{G}",
       true},
      {"mixed case", WindowsPath("Vid_0416&pId_B500", "7&3&0&0000"), true},
      {"another device", WindowsPath("VID_046D&PID_C077", "7&4&0&0000"), false},
      {"no \"{\" after the last backslash", "\\\\?\\hid#vid_0416&pid_b500#7&5&0&0000#plain", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The ids are not compared: the path alone tells.
    backend->interfaces = {{c.path, 0, 0}};
    backend->opened.clear();
    auto io = MakeIo(backend);
    EXPECT_EQ(io->FindAndOpen(), c.ours ? 1 : 0);
    EXPECT_EQ(backend->opened, c.ours ? std::vector<std::string>{c.path} : std::vector<std::string>{});
  }
  // The first match of several is opened.
  const std::string first = WindowsPath("VID_0416&PID_B500", "7&6&0&0000");
  backend->interfaces = {{WindowsPath("vid_046d&pid_c077", "7&4&0&0000"), 0x046d, 0xc077},
                         {first, 0, 0},
                         {WindowsPath("vid_0416&pid_b500", "7&7&0&0000"), 0, 0}};
  backend->opened.clear();
  auto io = MakeIo(backend);
  ASSERT_EQ(io->FindAndOpen(), 1);
  EXPECT_EQ(io->m_devicePath, first);
}

TEST_F(HidIoTest, OneDeviceNamedInEitherCaseIsOneLock) {
  // A sibling that lists the device through SetupDi sees it in lower case,
  // this copy through the configuration manager in upper case.
  auto upper = std::make_shared<CFakeBackend>();
  upper->pathsCarryIds = true;
  upper->interfaces = {
      {"\\\\?\\HID#VID_0416&PID_B500#7&1A2B&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}", 0, 0}};
  auto lower = std::make_shared<CFakeBackend>();
  lower->pathsCarryIds = true;
  lower->interfaces = {
      {"\\\\?\\hid#vid_0416&pid_b500#7&1a2b&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", 0, 0}};
  auto first = MakeIo(upper);
  auto second = MakeIo(lower);
  ASSERT_EQ(first->FindAndOpen(), 1);
  EXPECT_EQ(second->FindAndOpen(), 0);
  EXPECT_EQ(second->LastOpenFailure(), HidOpenFailure::kInUse);
  first->Close();
  EXPECT_EQ(second->FindAndOpen(), 1);
}

TEST_F(HidIoTest, HidrawPathsMatchByIds) {
  backend->interfaces = {
      {"/dev/hidraw0", 0x046d, 0xc077},
      {"/dev/hidraw1", kDeviceVendorId, 0x1234},
      {"/dev/hidraw2", kDeviceVendorId, kDeviceProductId},
  };
  auto io = MakeIo(backend);
  ASSERT_EQ(io->FindAndOpen(), 1);
  EXPECT_EQ(io->m_devicePath, "/dev/hidraw2");
  backend->interfaces.pop_back();
  auto other = MakeIo(backend);
  EXPECT_EQ(other->FindAndOpen(), 0);
}

TEST_F(HidIoTest, ASecondCopyFindsTheDeviceTakenUntilClosed) {
  backend->interfaces = {{"/dev/hidraw2", kDeviceVendorId, kDeviceProductId}};
  auto first = MakeIo(backend);
  auto second = MakeIo(backend);
  ASSERT_EQ(first->FindAndOpen(), 1);
  EXPECT_EQ(second->FindAndOpen(), 0);
  first->Close();
  EXPECT_EQ(second->FindAndOpen(), 1);
  second->Close();
  EXPECT_EQ(first->FindAndOpen(), 1);  // reopening after Close
}

TEST_F(HidIoTest, PermissionFailureIsKeptAndReleasesTheLock) {
  backend->interfaces = {{"/dev/hidraw2", kDeviceVendorId, kDeviceProductId}};
  backend->openFailure = HidOpenFailure::kPermission;
  auto io = MakeIo(backend);
  EXPECT_EQ(io->FindAndOpen(), 0);
  EXPECT_EQ(io->LastOpenFailure(), HidOpenFailure::kPermission);
  backend->openFailure = HidOpenFailure::kNone;
  auto other = MakeIo(backend);
  EXPECT_EQ(other->FindAndOpen(), 1);
}

TEST_F(HidIoTest, ReportsCarryTheIdByteAndFullCounts) {
  backend->interfaces = {{"/dev/hidraw2", kDeviceVendorId, kDeviceProductId}};
  auto io = MakeIo(backend);
  uint8_t report[kReportLength];
  uint32_t count = 99;
  EXPECT_EQ(io->ReadReport(report, &count), 0);  // closed
  EXPECT_EQ(count, 0u);
  ASSERT_EQ(io->FindAndOpen(), 1);
  backend->QueueData(std::vector<uint8_t>(64, 0xAB));
  report[0] = 0x77;
  ASSERT_EQ(io->ReadReport(report, &count), 1);
  EXPECT_EQ(count, 65u);
  EXPECT_EQ(report[0], 0);
  EXPECT_EQ(report[64], 0xAB);
  std::fill(report, report + kReportLength, 0x11);
  report[0] = 0;
  ASSERT_EQ(io->WriteReport(report, &count), 1);
  EXPECT_EQ(count, 65u);
  ASSERT_EQ(backend->writes.size(), 1u);
  EXPECT_EQ(backend->writes[0][64], 0x11);
}

TEST_F(HidIoTest, TransportFailuresAreRecordedUntilCleared) {
  // What the link did, not what the device answered: a reply of any content
  // is a working link.
  struct Case {
    const char* name;
    int writesBeforeFailure;  // -1 never
    std::vector<FakeRead> reads;
    bool write;  // write one report, else read one
    bool failed;
    LinkFailure kind;
  };
  const Case cases[] = {
      {"report written", -1, {}, true, false, LinkFailure::kNone},
      {"write refused", 0, {}, true, true, LinkFailure::kBroken},
      {"report read", -1, {{64, std::vector<uint8_t>(64, 0xEE)}}, false, false, LinkFailure::kNone},
      {"short report read", -1, {{3, {1, 2, 3}}}, false, false, LinkFailure::kNone},
      {"read failed", -1, {{-1, {}}}, false, true, LinkFailure::kBroken},
      {"read timed out", -1, {}, false, true, LinkFailure::kTimedOut},
  };
  backend->interfaces = {{"/dev/hidraw0", kDeviceVendorId, kDeviceProductId}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    backend->writesBeforeFailure = c.writesBeforeFailure;
    backend->reads.assign(c.reads.begin(), c.reads.end());
    auto io = MakeIo(backend);
    io->SetReadTimeoutMs(20);
    ASSERT_EQ(io->FindAndOpen(), 1);
    EXPECT_FALSE(io->TransportFailed());
    uint8_t report[kReportLength] = {};
    EXPECT_EQ(c.write ? io->WriteReport(report) : io->ReadReport(report), c.failed ? 0 : 1);
    EXPECT_EQ(io->TransportFailed(), c.failed);
    EXPECT_EQ(io->LastLinkFailure(), c.kind);
    // A later report that moves does not wipe the record out.
    backend->writesBeforeFailure = -1;
    EXPECT_EQ(io->WriteReport(report), 1);
    EXPECT_EQ(io->TransportFailed(), c.failed);
    EXPECT_EQ(io->LastLinkFailure(), c.kind);
    io->ClearTransportFailure();
    EXPECT_FALSE(io->TransportFailed());
    EXPECT_EQ(io->LastLinkFailure(), LinkFailure::kNone);
  }
  // Closed, every report fails on the link.
  auto io = MakeIo(backend);
  uint8_t report[kReportLength] = {};
  EXPECT_EQ(io->WriteReport(report), 0);
  EXPECT_TRUE(io->TransportFailed());
}

TEST(HidIoSimTest, SilentDeviceFailsTheReadWithinTheBound) {
  test::CTempDir lockDir;
  SimProfile profile = DefaultSimProfile();
  profile.faults.silentAfterReports = 0;
  auto sim = std::make_shared<CSimDevice>(profile);
  CHidIO io(std::make_shared<CSimBackend>(sim));
  io.SetLockFolder(lockDir.Path());
  io.SetReadTimeoutMs(300);
  ASSERT_EQ(io.FindAndOpen(), 1);
  uint8_t report[kReportLength];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(io.ReadReport(report), 0);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  EXPECT_LT(waited, std::chrono::milliseconds(2000));
}

TEST(HidIoSimTest, AbortEndsAWaitingReadEarly) {
  test::CTempDir lockDir;
  SimProfile profile = DefaultSimProfile();
  profile.faults.silentAfterReports = 0;
  auto sim = std::make_shared<CSimDevice>(profile);
  CHidIO io(std::make_shared<CSimBackend>(sim));
  io.SetLockFolder(lockDir.Path());
  ASSERT_EQ(io.FindAndOpen(), 1);  // the full read bound
  std::thread aborter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    io.AbortRead();
  });
  uint8_t report[kReportLength];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(io.ReadReport(report), 0);
  EXPECT_TRUE(io.TransportFailed()) << "an aborted read moved no report";
  EXPECT_EQ(io.LastLinkFailure(), LinkFailure::kAborted) << "cut short, not silent";
  aborter.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
}

TEST(HidIoSimTest, UnpluggedDeviceFailsAtOnceAndIsNotFound) {
  test::CTempDir lockDir;
  auto sim = std::make_shared<CSimDevice>();
  CHidIO io(std::make_shared<CSimBackend>(sim));
  io.SetLockFolder(lockDir.Path());
  ASSERT_EQ(io.FindAndOpen(), 1);
  sim->Unplug();
  uint8_t report[kReportLength] = {};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(io.ReadReport(report), 0);
  EXPECT_EQ(io.WriteReport(report), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  io.Close();
  EXPECT_EQ(io.FindAndOpen(), 0);
  sim->Plug();
  EXPECT_EQ(io.FindAndOpen(), 1);
}

}  // namespace
}  // namespace brindle
