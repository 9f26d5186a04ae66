#include "online/process_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace brindle {

namespace {

// How often the wait looks at the stop flag.
constexpr auto kPollInterval = std::chrono::milliseconds(20);
// Time an archiver gets to leave on SIGTERM before it is killed.
constexpr auto kTermGrace = std::chrono::milliseconds(1000);

int StatusToExitCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

class CSpawnSetup {
 public:
  CSpawnSetup() {
    posix_spawn_file_actions_init(&m_actions);
    posix_spawnattr_init(&m_attr);
  }
  ~CSpawnSetup() {
    posix_spawnattr_destroy(&m_attr);
    posix_spawn_file_actions_destroy(&m_actions);
  }
  CSpawnSetup(const CSpawnSetup&) = delete;
  CSpawnSetup& operator=(const CSpawnSetup&) = delete;
  posix_spawn_file_actions_t m_actions;
  posix_spawnattr_t m_attr;
};

}  // namespace

int RunAndWait(const std::string& programPath, const std::vector<std::string>& arguments,
               int& exitCode, const std::atomic<bool>* stop, const std::string& workingFolder) {
  if (programPath.empty()) return 0;
  CSpawnSetup setup;
  for (int fd = 0; fd <= 2; ++fd)
    posix_spawn_file_actions_addopen(&setup.m_actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                     0);
  if (!workingFolder.empty())
    posix_spawn_file_actions_addchdir_np(&setup.m_actions, workingFolder.c_str());
  // Its own process group, so a stop request reaches anything it starts, and
  // default signal handling whatever this process has set up.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGPIPE);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&setup.m_attr, &defaults);
  posix_spawnattr_setsigmask(&setup.m_attr, &none);
  posix_spawnattr_setpgroup(&setup.m_attr, 0);
  posix_spawnattr_setflags(&setup.m_attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> argvText;
  argvText.reserve(arguments.size() + 1);
  argvText.push_back(programPath);
  argvText.insert(argvText.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : argvText) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (posix_spawn(&pid, programPath.c_str(), &setup.m_actions, &setup.m_attr, argv.data(), environ) != 0)
    return 0;

  int status = 0;
  bool terminated = false;
  auto killAt = std::chrono::steady_clock::time_point::max();
  for (;;) {
    const pid_t r = waitpid(pid, &status, stop ? WNOHANG : 0);
    if (r == pid) break;
    if (r < 0 && errno != EINTR) {
      status = 0;
      break;
    }
    if (!stop) continue;
    if (!terminated && stop->load(std::memory_order_acquire)) {
      kill(-pid, SIGTERM);
      terminated = true;
      killAt = std::chrono::steady_clock::now() + kTermGrace;
    } else if (terminated && std::chrono::steady_clock::now() >= killAt) {
      kill(-pid, SIGKILL);
      killAt = std::chrono::steady_clock::time_point::max();
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  exitCode = StatusToExitCode(status);
  return 1;
}

}  // namespace brindle
