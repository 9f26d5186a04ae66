// One device, one user of it, on the whole machine: the per-device lock holds
// between processes whatever their environment or user, and leaves nothing
// behind.
#include <gtest/gtest.h>

#ifdef _WIN32
TEST(DeviceExclusion, NotOnWindows) {
  GTEST_SKIP() << "holds locks from forked processes of other users (fork, setuid, file modes): "
                  "POSIX only; Windows' named mutexes are tested in device_lock_test";
}
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "device/fake_backend.h"
#include "device/hid_io.h"
#include "temp_dir.h"

namespace brindle {
namespace {

constexpr uid_t kNobody = 65534;

// Runs holder() in a child process that keeps what it took (in keep) until
// Finish().
class CHolderProcess {
 public:
  using Holder = std::function<bool(std::shared_ptr<void>& keep)>;
  // holder returns true when the child did what the case expects.
  explicit CHolderProcess(const Holder& holder) {
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      close(toChild[1]);
      close(fromChild[0]);
      {
        std::shared_ptr<void> keep;
        const bool held = holder(keep);
        const char answer = held ? 'y' : 'n';
        if (write(fromChild[1], &answer, 1) != 1) _exit(3);
        char c;
        while (read(toChild[0], &c, 1) > 0) {
        }
      }  // the holder's objects are gone: the lock was released
      _exit(0);
    }
    close(toChild[0]);
    close(fromChild[1]);
    m_toChild = toChild[1];
    char answer = 0;
    m_held = read(fromChild[0], &answer, 1) == 1 && answer == 'y';
    close(fromChild[0]);
  }
  ~CHolderProcess() { Finish(); }
  bool Held() const { return m_held; }
  void Finish() {
    if (m_toChild >= 0) close(m_toChild);
    m_toChild = -1;
    if (m_pid > 0) waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }

 private:
  pid_t m_pid = -1;
  int m_toChild = -1;
  bool m_held = false;
};

class CEnvironment {
 public:
  CEnvironment(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    setenv(name, value.c_str(), 1);
  }
  ~CEnvironment() {
    if (m_old.empty())
      unsetenv(m_name);
    else
      setenv(m_name, m_old.c_str(), 1);
  }

 private:
  const char* m_name;
  std::string m_old;
};

TEST(DeviceExclusion, TwoProcessesNeverHoldOneDevice) {
  test::CTempDir dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);  // other users reach the node
  const std::string node = dir.Path() + "/hidraw4";
  std::ofstream(node).put('x');
  ASSERT_EQ(chmod(node.c_str(), 0644), 0);
  // The machine's lock folder, as /run/lock is: root's, sticky, open to all.
  const std::string locks = dir.Path() + "/lock";
  ASSERT_EQ(mkdir(locks.c_str(), 0700), 0);
  ASSERT_EQ(chmod(locks.c_str(), 01777), 0);
  const CEnvironment lockFolder("BRINDLE_LOCK_DIR", locks);
  const std::string myRuntime = dir.Path() + "/run-mine";
  const std::string otherRuntime = dir.Path() + "/run-other";
  mkdir(myRuntime.c_str(), 0700);
  mkdir(otherRuntime.c_str(), 0700);
  const CEnvironment runtime("XDG_RUNTIME_DIR", myRuntime);

  struct Case {
    const char* name;
    bool onNode;                        // a hidraw node, or a device known by name only
    std::function<bool()> becomeOther;  // turns the child into the other user of the device
    bool needsRoot;
  };
  const Case cases[] = {
      {"node, another runtime folder", true,
       [&] { return setenv("XDG_RUNTIME_DIR", otherRuntime.c_str(), 1) == 0; }, false},
      {"node, no runtime folder", true, [] { return unsetenv("XDG_RUNTIME_DIR") == 0; }, false},
      {"node, another user", true,
       [] { return setgid(kNobody) == 0 && setuid(kNobody) == 0 && unsetenv("XDG_RUNTIME_DIR") == 0; }, true},
      {"named device, another runtime folder", false,
       [&] { return setenv("XDG_RUNTIME_DIR", otherRuntime.c_str(), 1) == 0; }, false},
      {"named device, no runtime folder", false, [] { return unsetenv("XDG_RUNTIME_DIR") == 0; }, false},
      {"named device, another user", false, [] { return setgid(kNobody) == 0 && setuid(kNobody) == 0; },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && geteuid() != 0) continue;  // only root can become another user
    auto backend = std::make_shared<test::CFakeBackend>();
    backend->locksOnNode = c.onNode;
    backend->interfaces = {{c.onNode ? node : "sim:shared-1", kDeviceVendorId, kDeviceProductId}};

    for (const bool holderFirst : {true, false}) {
      SCOPED_TRACE(holderFirst ? "the other process first" : "this process first");
      CHidIO mine(backend);
      if (!holderFirst) {
        ASSERT_EQ(mine.FindAndOpen(), 1);
      }
      CHolderProcess other([&](std::shared_ptr<void>& keep) {
        if (!c.becomeOther()) return false;
        auto theirs = std::make_shared<CHidIO>(backend);
        keep = theirs;
        const bool opened = theirs->FindAndOpen() == 1;
        return holderFirst ? opened : !opened && theirs->LastOpenFailure() == HidOpenFailure::kInUse;
      });
      EXPECT_TRUE(other.Held());
      if (holderFirst) {
        EXPECT_EQ(mine.FindAndOpen(), 0);
        EXPECT_EQ(mine.LastOpenFailure(), HidOpenFailure::kInUse);
        other.Finish();
        EXPECT_EQ(mine.FindAndOpen(), 1) << "released when the other process let go";
      }
      other.Finish();
      mine.Close();
      EXPECT_TRUE(std::filesystem::is_empty(locks)) << "no lock file is left behind";
    }
  }
}

TEST(DeviceExclusion, AnUnusableLockFolderIsAnErrorNotAMissingDevice) {
  test::CTempDir dir;
  const std::string open = dir.Path() + "/open";
  ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(chmod(open.c_str(), 0777), 0);
  auto backend = std::make_shared<test::CFakeBackend>();
  backend->interfaces = {{"sim:shared-2", kDeviceVendorId, kDeviceProductId}};
  for (const std::string& folder : {open, dir.Path() + "/missing"}) {
    SCOPED_TRACE(folder);
    CHidIO io(backend);
    io.SetLockFolder(folder);
    EXPECT_EQ(io.FindAndOpen(), 0);
    EXPECT_EQ(io.LastOpenFailure(), HidOpenFailure::kLockUnavailable);
    EXPECT_NE(io.LockError().find(folder), std::string::npos) << io.LockError();
    EXPECT_TRUE(backend->opened.empty()) << "never opened without its lock";
  }
}

}  // namespace
}  // namespace brindle
#endif
