#include "online/process_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "core/unique_fd.h"

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

class CPipe {
 public:
  CPipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    m_read.Reset(fds[0]);
    m_write.Reset(fds[1]);
  }
  bool Ok() const { return m_read.IsOpen(); }
  int ReadEnd() const { return m_read.Get(); }
  int WriteEnd() const { return m_write.Get(); }
  void CloseRead() { m_read.Reset(); }
  void CloseWrite() { m_write.Reset(); }

 private:
  CUniqueFd m_read;
  CUniqueFd m_write;
};

// The child's side between fork and exec: only async-signal-safe calls,
// since the parent may have other threads. Reports errno through the pipe
// and leaves when anything fails.
[[noreturn]] void StartChild(const char* program, char* const* argv, const char* folder, pid_t parent,
                             int reportFd) {
  // The archiver must not outlive us, however we end (SIGKILL included).
  // The signal is tied to the thread that forked: RunAndWait waits in that
  // same thread for as long as the child lives.
  int err = 0;
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) err = errno;
  // We may have died before the request above took hold.
  if (!err && getppid() != parent) _exit(127);
  // Its own process group, so a stop request reaches anything it starts.
  if (!err && setpgid(0, 0) != 0) err = errno;
  // Default signal handling and no blocked signals, whatever we set up.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGQUIT}) sigaction(sig, &dfl, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  // Unseen and never waiting for input.
  for (int fd = 0; fd <= 2 && !err; ++fd) {
    const int nul = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (nul < 0 || (nul != fd && dup2(nul, fd) < 0)) err = errno;
    if (nul > 2) close(nul);
  }
  if (!err && folder && chdir(folder) != 0) err = errno;
  if (!err) {
    execve(program, argv, environ);
    err = errno;
  }
  ssize_t ignored = write(reportFd, &err, sizeof err);
  (void)ignored;
  _exit(127);
}

}  // namespace

int RunAndWait(const std::string& programPath, const std::vector<std::string>& arguments, int& exitCode,
               const std::atomic<bool>* stop, const std::string& workingFolder) {
  if (programPath.empty()) return 0;
  // Everything the child needs is built before the fork.
  std::vector<std::string> argvText;
  argvText.reserve(arguments.size() + 1);
  argvText.push_back(programPath);
  argvText.insert(argvText.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : argvText) argv.push_back(a.data());
  argv.push_back(nullptr);
  const char* folder = workingFolder.empty() ? nullptr : workingFolder.c_str();

  CPipe report;  // closed on exec; carries errno when the start fails
  if (!report.Ok()) return 0;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) return 0;
  if (pid == 0) StartChild(programPath.c_str(), argv.data(), folder, parent, report.WriteEnd());
  report.CloseWrite();
  int childErr = 0;
  ssize_t n;
  do {
    n = read(report.ReadEnd(), &childErr, sizeof childErr);
  } while (n < 0 && errno == EINTR);

  int status = 0;
  if (n > 0) {
    // exec failed: the child is leaving on its own.
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return 0;
  }

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
