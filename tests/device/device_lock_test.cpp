// Lock names derived from device paths, and the lock itself.
#include "device/device_lock.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace brindle {
namespace {

TEST(DeviceMutexName, DerivesTheTextBeforeTheInterfaceGuid) {
  struct Case {
    const char* path;
    std::optional<std::string> name;
  };
  const Case cases[] = {
      {"\\\\?\\hid#vid_0416&pid_b500#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
       "hid#vid_0416&pid_b500#7&1a2b3c&0&0000#"},
      {"no-backslash#{guid}", std::nullopt},
      {"\\\\?\\hid#vid_0416&pid_b500#7&1a2b3c&0&0000#no-brace", std::nullopt},
      {"\\\\?\\a{b}\\plain", std::nullopt},  // the brace must follow the last backslash
      {"\\{x}", ""},
      {"\\\\?\\a{b{c", "a{b"},  // the last brace counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(DeviceMutexName(c.path), c.name);
  }
}

TEST(DeviceLockName, LinuxPathsBecomeSafeFileNames) {
  EXPECT_EQ(DeviceLockName("/dev/hidraw3"), "dev-_dev_hidraw3.lock");
  EXPECT_EQ(DeviceLockName("sim:12-0"), "dev-sim_12-0.lock");
  EXPECT_EQ(DeviceLockName("../../etc/x"), "dev-.._.._etc_x.lock");
  EXPECT_EQ(DeviceLockName(""), std::nullopt);
  EXPECT_EQ(DeviceLockName("\\\\?\\hid#x#y"), std::nullopt);
  EXPECT_EQ(DeviceLockName("\\\\?\\hid#vid_0416&pid_b500#1#{g}"), "dev-hid#vid_0416&pid_b500#1#.lock");
}

TEST(DeviceLock, SecondHolderIsRefusedUntilReleased) {
  test::CTempDir dir;
  CDeviceLock first;
  CDeviceLock second;
  ASSERT_TRUE(first.TryAcquire(dir.Path() + "/locks", "dev-a.lock"));
  EXPECT_FALSE(second.TryAcquire(dir.Path() + "/locks", "dev-a.lock"));
  EXPECT_TRUE(second.TryAcquire(dir.Path() + "/locks", "dev-b.lock"));
  first.Release();
  CDeviceLock third;
  EXPECT_TRUE(third.TryAcquire(dir.Path() + "/locks", "dev-a.lock"));
}

}  // namespace
}  // namespace brindle
