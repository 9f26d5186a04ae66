// Lock names derived from device paths, and the shared lock itself.
#include "device/device_lock.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

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
      // Either case of a path gives the lower-case name SetupDi's paths give.
      {"\\\\?\\HID#VID_0416&PID_B500#7&1A2B3C&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}",
       "hid#vid_0416&pid_b500#7&1a2b3c&0&0000#"},
      {"\\\\?\\Hid#Vid_0416&Pid_B500#7&1a2B3c&0&0000#{g}", "hid#vid_0416&pid_b500#7&1a2b3c&0&0000#"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(DeviceMutexName(c.path), c.name);
  }
}

TEST(DeviceLockName, LinuxPathsBecomeSafeFileNames) {
  EXPECT_EQ(DeviceLockName("/dev/hidraw3"), "brindle-dev-_dev_hidraw3.lock");
  EXPECT_EQ(DeviceLockName("sim:12-0"), "brindle-dev-sim_12-0.lock");
  EXPECT_EQ(DeviceLockName("../../etc/x"), "brindle-dev-.._.._etc_x.lock");
  EXPECT_EQ(DeviceLockName(""), std::nullopt);
  EXPECT_EQ(DeviceLockName("\\\\?\\hid#x#y"), std::nullopt);
  EXPECT_EQ(DeviceLockName("\\\\?\\hid#vid_0416&pid_b500#1#{g}"),
            "brindle-dev-hid#vid_0416&pid_b500#1#.lock");
}

TEST(PlatformDeviceLockName, WindowsInterfacesUseTheMutexNameTheSiblingsShare) {
  const std::string windowsPath = "\\\\?\\hid#vid_0416&pid_b500#1#{g}";
#ifdef _WIN32
  EXPECT_EQ(PlatformDeviceLockName(windowsPath), "hid#vid_0416&pid_b500#1#");
#else
  EXPECT_EQ(PlatformDeviceLockName(windowsPath), DeviceLockName(windowsPath));
#endif
  // The simulated device's paths are lock names on every system.
  EXPECT_EQ(PlatformDeviceLockName("sim:12-0"), "brindle-dev-sim_12-0.lock");
  EXPECT_EQ(PlatformDeviceLockName("\\\\?\\hid#x#y"), std::nullopt);
}

TEST(DeviceLock, SecondHolderIsRefusedUntilReleased) {
  test::CTempDir dir;
  CSharedLock first;
  CSharedLock second;
  ASSERT_EQ(first.TryAcquireFile(dir.Path(), "dev-a.lock"), LockResult::kAcquired);
  EXPECT_EQ(second.TryAcquireFile(dir.Path(), "dev-a.lock"), LockResult::kHeld);
  EXPECT_EQ(second.TryAcquireFile(dir.Path(), "dev-b.lock"), LockResult::kAcquired);
  first.Release();
  CSharedLock third;
  EXPECT_EQ(third.TryAcquireFile(dir.Path(), "dev-a.lock"), LockResult::kAcquired);
  third.Release();
  second.Release();
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "lock files are removed on release";
}

#ifdef _WIN32
// A lock is a named mutex here: one process, two holders, as the sibling
// tools see it; and a name from a given lock folder never meets the same
// name of another folder (tests running side by side).
TEST(DeviceLock, MutexNamesAreScopedByTheLockFolder) {
  test::CTempDir a, b;
  CSharedLock first, second, plain;
  ASSERT_EQ(first.TryAcquireFile(a.Path(), "hid#vid_0416&pid_b500#1#"), LockResult::kAcquired);
  EXPECT_EQ(second.TryAcquireFile(b.Path(), "hid#vid_0416&pid_b500#1#"), LockResult::kAcquired);
  EXPECT_EQ(plain.TryAcquireFile(a.Path(), "hid#vid_0416&pid_b500#1#"), LockResult::kHeld);
  EXPECT_EQ(plain.TryAcquireFile(a.Path(), "bad\\name"), LockResult::kUnusable);
  EXPECT_EQ(plain.TryAcquireNode("\\\\?\\hid#x"), LockResult::kUnusable);
}

TEST(DeviceLock, LockFileRulesAreLinuxOnly) {
  GTEST_SKIP() << "flock on nodes, lock files, folder modes, symbolic links and forked holders are "
                  "Linux's; Windows locks are named mutexes that die with their holder";
}
#else
TEST(DeviceLock, ANodeIsLockedItselfAndNothingIsCreated) {
  test::CTempDir dir;
  const std::string node = dir.Path() + "/hidraw7";
  std::ofstream(node).put('x');
  CSharedLock first;
  CSharedLock second;
  ASSERT_EQ(first.TryAcquireNode(node), LockResult::kAcquired);
  EXPECT_EQ(second.TryAcquireNode(node), LockResult::kHeld);
  first.Release();
  EXPECT_EQ(second.TryAcquireNode(node), LockResult::kAcquired);
  second.Release();
  EXPECT_TRUE(std::filesystem::exists(node)) << "the node itself is never removed";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  CSharedLock gone;
  EXPECT_EQ(gone.TryAcquireNode(dir.Path() + "/hidraw8"), LockResult::kUnusable);
  EXPECT_EQ(gone.ErrorNumber(), ENOENT);
}

TEST(DeviceLock, ALeftoverOfAKilledHolderIsTakenOverAndRemoved) {
  test::CTempDir dir;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CSharedLock lock;
    // Ends without releasing, as a killed process would.
    _exit(lock.TryAcquireFile(dir.Path(), "dev-a.lock") == LockResult::kAcquired ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(std::filesystem::exists(dir.Path() + "/dev-a.lock"));
  CSharedLock lock;
  EXPECT_EQ(lock.TryAcquireFile(dir.Path(), "dev-a.lock"), LockResult::kAcquired);
  lock.Release();
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(DeviceLock, TakingALockSweepsOnlyUnheldLockFilesOfOurs) {
  test::CTempDir dir;
  const auto exists = [&](const char* name) { return std::filesystem::exists(dir.Path() + "/" + name); };
  // A killed holder's file under a name nobody will take again.
  std::ofstream(dir.Path() + "/brindle-dev-sim_99999-0.lock").put('\0');
  std::ofstream(dir.Path() + "/other-program.lock").put('\0');
  std::ofstream(dir.Path() + "/brindle-notes.txt").put('\0');
  CSharedLock held;
  ASSERT_EQ(held.TryAcquireFile(dir.Path(), "brindle-dev-held.lock"), LockResult::kAcquired);
  EXPECT_FALSE(exists("brindle-dev-sim_99999-0.lock"));
  CSharedLock next;
  ASSERT_EQ(next.TryAcquireFile(dir.Path(), "brindle-dev-next.lock"), LockResult::kAcquired);
  EXPECT_TRUE(exists("brindle-dev-held.lock")) << "a held lock is never swept";
  EXPECT_TRUE(exists("other-program.lock"));
  EXPECT_TRUE(exists("brindle-notes.txt"));
  CSharedLock again;
  EXPECT_EQ(again.TryAcquireFile(dir.Path(), "brindle-dev-held.lock"), LockResult::kHeld);
}

// Folders that anyone but us (or root) could empty or fill are never used.
TEST(DeviceLock, UntrustedFoldersAreRefused) {
  test::CTempDir dir;
  struct Case {
    const char* name;
    std::function<bool(const std::string&)> prepare;
    bool needsRoot;
  };
  const Case cases[] = {
      {"world-writable without sticky bit",
       [](const std::string& f) { return mkdir(f.c_str(), 0700) == 0 && chmod(f.c_str(), 0777) == 0; },
       false},
      {"group-writable without sticky bit",
       [](const std::string& f) { return mkdir(f.c_str(), 0700) == 0 && chmod(f.c_str(), 0770) == 0; },
       false},
      {"a symbolic link to a good folder",
       [&](const std::string& f) { return symlink(dir.Path().c_str(), f.c_str()) == 0; }, false},
      {"not a folder", [](const std::string& f) { return std::ofstream(f).put('x').good(); }, false},
      {"owned by another user",
       [](const std::string& f) {
         return mkdir(f.c_str(), 0755) == 0 && chown(f.c_str(), 65534, 65534) == 0;
       },
       true},
      {"owned by another user, even with the sticky bit",
       [](const std::string& f) {
         return mkdir(f.c_str(), 0700) == 0 && chmod(f.c_str(), 01777) == 0 &&
                chown(f.c_str(), 65534, 65534) == 0;
       },
       true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && geteuid() != 0) continue;  // only root can give a folder away
    const std::string folder = dir.Path() + "/f" + std::to_string(n++);
    ASSERT_TRUE(c.prepare(folder));
    EXPECT_FALSE(LockFolderProblem(folder).empty());
    CSharedLock lock;
    EXPECT_EQ(lock.TryAcquireFile(folder, "dev-a.lock"), LockResult::kUnusable);
    EXPECT_NE(lock.Error().find(folder), std::string::npos) << lock.Error();
    EXPECT_FALSE(std::filesystem::exists(folder + "/dev-a.lock"));
  }
  // A sticky world-writable folder of root's or ours is fine (/run/lock).
  const std::string sticky = dir.Path() + "/sticky";
  ASSERT_EQ(mkdir(sticky.c_str(), 0700), 0);
  ASSERT_EQ(chmod(sticky.c_str(), 01777), 0);
  EXPECT_EQ(LockFolderProblem(sticky), "");
  CSharedLock lock;
  EXPECT_EQ(lock.TryAcquireFile(sticky, "dev-a.lock"), LockResult::kAcquired);
}

TEST(DeviceLock, LockFilesThatAreNoRegularFilesAreRefused) {
  test::CTempDir dir;
  ASSERT_EQ(mkfifo((dir.Path() + "/fifo.lock").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/etc/passwd", (dir.Path() + "/link.lock").c_str()), 0);
  ASSERT_EQ(mkdir((dir.Path() + "/dir.lock").c_str(), 0700), 0);
  for (const char* name : {"fifo.lock", "link.lock", "dir.lock"}) {
    SCOPED_TRACE(name);
    CSharedLock lock;
    EXPECT_EQ(lock.TryAcquireFile(dir.Path(), name), LockResult::kUnusable);
  }
  CSharedLock lock;
  EXPECT_EQ(lock.TryAcquireFile(dir.Path(), "../x.lock"), LockResult::kUnusable);
}
#endif

}  // namespace
}  // namespace brindle
